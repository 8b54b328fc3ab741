#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "analysis/output_format.h"

namespace tarvex {

// One workbook for a whole run (.xlsx), its sheets in Spanish, each with a frozen header row,
// an autofilter and column widths fitted to what they hold:
//   Resumen         one row per download (or record of several): identification, period,
//                   totals, average weekday and weekend day, the checks' counts; below them
//                   each one's average days by hour, and its two charts beside them: the
//                   average weekday's hours by direction (columns) and the daily totals over
//                   the period by direction (lines, drawn from Días)
//   Días, Horas, Intervalos (15 minutes), Pasos
//                   the columns of the days, hourly, intervals and passages tables; Pasos
//                   goes on in Pasos 2, Pasos 3... when a sheet is full
//   Comprobaciones  each check of each download, its count and its first records
// Texts that come from a file or a name (archivo, contador, serie, sello) are text cells,
// never a formula; dates and times are date and time cells (yyyy-mm-dd, hh:mm:ss); counts are
// numbers, factors show two decimals, shares are percentages. Its rows are written as they
// come (the library's constant-memory mode), so the passages of a large download are never
// held twice; what the Resumen sheet needs of each download is kept until Close.
class Workbook {
 public:
  // The rows of a sheet, its header row included.
  static constexpr std::int64_t kSheetRows = 1048576;

  // Starts the workbook that Close writes to `file` (a path the library opens itself).
  // `sheet_rows` lowers the rows of a sheet, for a test of the sheets that follow.
  explicit Workbook(const std::filesystem::path& file, std::int64_t sheet_rows = kSheetRows);
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  // Adds what one download, or one record of several, gives to every sheet but Pasos.
  // Throws ConversionError 7 on exhausted memory.
  void Add(const DownloadCounts& download);
  // Adds one download's passages to Pasos (its analysis is not read): each download of a
  // record of several with its own name and header, as the table of passages has it.
  void AddPassages(const DownloadCounts& download);

  // Writes the file. Throws ConversionError: 7 on exhausted memory, else the failure of
  // writing it (see FileFailure).
  void Close();

 private:
  struct Sheets;
  std::unique_ptr<Sheets> sheets_;
};

// The workbook as a format: it reads every download of the run (with --combine, as one
// record) and its calibration, and is written whole through Workbook, never appended: Append
// writes nothing.
class WorkbookFormat final : public OutputFormat {
 public:
  std::string_view Name() const override { return format_name::kWorkbook; }
  bool Combines() const override { return true; }
  bool Calibrated() const override { return true; }
  bool WrittenWhole() const override { return true; }
  void Append(const DownloadCounts&, OutputSink&) const override {}
};

// Adds to `book` what the downloads give (one, or several read as one record), read as
// SaveOutput reads them, then each download's passages. Throws ConversionError 6 or 7 (see
// AnalyzeSession).
void AddToWorkbook(Workbook& book, const std::vector<NamedDownload>& downloads,
                   const Calibration& calibration = {}, const CountAnalysis* known = nullptr);

// The workbook of the downloads, written whole to `file` (see WholeReplacement): an existing
// file is replaced only when `replace`, and never one of the downloads (55).
// Throws ConversionError as WholeReplacement, Workbook and AddToWorkbook do.
void SaveWorkbook(const std::vector<NamedDownload>& downloads, const std::filesystem::path& file,
                  bool replace, const Calibration& calibration = {},
                  const CountAnalysis* known = nullptr);

}  // namespace tarvex

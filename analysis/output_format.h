#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/count_analysis.h"
#include "base/append_file.h"
#include "conversion/conversion_session.h"
#include "conversion/conversion_state.h"
#include "conversion/passages.h"

namespace tarvex {

// The outputs' names, as --format takes them: each said here only.
namespace format_name {
inline constexpr std::string_view kReport = "report";
inline constexpr std::string_view kPassages = "passages";
inline constexpr std::string_view kIntervals = "intervals";
inline constexpr std::string_view kSummary = "summary";
inline constexpr std::string_view kDays = "days";
inline constexpr std::string_view kHourly = "hourly";
inline constexpr std::string_view kWorkbook = "workbook";
inline constexpr std::array kAll = {kReport, kPassages, kIntervals, kSummary,
                                    kDays,   kHourly,   kWorkbook};
}  // namespace format_name

// One download, or several downloads of one counter read as one record, as the outputs see it.
struct DownloadCounts {
  // The downloads as the user named them, in the order given (a path, the file system's
  // bytes; empty for standard input): one, or several read as one record. The tables give
  // their bare file names (TableName) joined by " + ", the summary the whole names as standard
  // error shows them.
  std::vector<std::string_view> names;
  // The download whose header stands for the record: the one download, or of several the one
  // with the latest download date (the last given when no date reads).
  const ConversionState& state;
  // The one download's passages (a table of passages reads one download alone).
  const std::vector<Passage>& passages;
  const CountAnalysis& analysis;
};

// Where an output goes: text gathered in Buffer() and handed on about a megabyte at a time,
// so that the table of a large download is never whole in memory.
class OutputSink {
 public:
  explicit OutputSink(AppendWrite write) : write_(std::move(write)) {}
  std::string& Buffer() { return buffer_; }
  // After each row: hands the buffer on once it is large enough.
  void Row() {
    if (buffer_.size() >= kChunk) Flush();
  }
  void Flush() {
    if (buffer_.empty()) return;
    write_(buffer_);
    buffer_.clear();
  }
  // Hands `bytes` on as they are, after what the buffer holds: a large piece (a report's list)
  // is never copied.
  void Pass(std::string_view bytes) {
    Flush();
    write_(bytes);
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;
  AppendWrite write_;
  std::string buffer_;
};

// An output of a download, by its --format name: the report, a table (CSV) or a text. A new
// format is one more class of these, one more name in format_name and in MakeOutputFormat.
class OutputFormat {
 public:
  virtual ~OutputFormat() = default;
  // Its name in format_name.
  virtual std::string_view Name() const = 0;
  // Whether its dates and times take the regional forms (the report's lists); the tables and
  // the summary have fixed forms of their own.
  virtual bool UsesRegionalForms() const { return false; }
  // Whether it reads what the counts say (DownloadCounts' passages and analysis); the report
  // reads the state alone, and is given neither.
  virtual bool ReadsCounts() const { return true; }
  // Whether, of the counts, it reads the analysis too (not only the passages): a download's
  // analysis sorts every passage, time and memory a table of passages need not spend.
  virtual bool ReadsAnalysis() const { return ReadsCounts(); }
  // Whether it reads several downloads of one counter as one record (--combine).
  virtual bool Combines() const { return false; }
  // Whether what it writes depends on the occupancy's calibration.
  virtual bool Calibrated() const { return false; }
  // Whether it is one file for the whole run, written whole and never appended to (the
  // workbook, see Workbook): SaveOutput does not write it.
  virtual bool WrittenWhole() const { return false; }
  // A table's header row: first into an empty file, or at the start of standard output.
  // Empty for the report and the summary.
  virtual std::string_view Header() const { return {}; }
  // Writes what one download gives into `out`, calling out.Row() after each row or line.
  virtual void Append(const DownloadCounts& download, OutputSink& out) const = 0;
};

// The format called `name` (one of format_name::kAll; "intervals" of `interval` minutes, 15
// or 60); nothing for another name.
std::unique_ptr<OutputFormat> MakeOutputFormat(std::string_view name, int interval = 60);

// Where SaveOutput appends: a file by its path, created when missing, or a file this process
// holds open (standard output), kept open. A table's header row goes into a regular file when
// it is empty (">>" onto last month's table too); into a pipe, a terminal or a device when
// `header_first` (the start of the output).
struct OutputTarget {
  OutputTarget(std::filesystem::path file) : path(std::move(file)), header_first(true) {}
  OutputTarget(int held, std::filesystem::path shown, bool first)
      : path(std::move(shown)), descriptor(held), header_first(first) {}
  std::filesystem::path path;  // the file; for a held one, the name that stands for it
  int descriptor = -1;         // the held file; -1 for a file by its path
  bool header_first = false;
};

// One download given to SaveOutput: its session, after its Conversion, and its name as the
// user gave it (see DownloadCounts).
struct NamedDownload {
  std::string_view name;
  ConversionSession& session;
};

// What the counts of the session's open download say (after its Conversion).
// Throws ConversionError 6 or 7 (see CollectPassages and AnalyzeCounts).
CountAnalysis AnalyzeSession(ConversionSession& session, const Calibration& calibration = {});

// What the counts of several downloads say, read as one record of one counter (after their
// Conversions; AnalyzeCounts).
CountAnalysis AnalyzeSessions(const std::vector<NamedDownload>& downloads,
                              const Calibration& calibration = {});

// The one way an output is saved, by the window and the command line alike: appends what the
// downloads give in `format` (one download, or several read as one record when the format
// Combines()) to `to`, after any other writer that holds the file (waiting as `wait` says),
// whole or not at all (see AppendWhole), and never into a file any of the sessions refuses
// (an open download, see ConversionSession::Refused): that is failure 55, raised before
// anything is read or written. A file that is a terminal, held or reached by any name
// (/dev/tty), gets the text as ShownOnTerminal shows it. The sessions do not change, so the
// same output can be saved again. `known`, when given, is the analysis already made with the
// same calibration (the Resumen window has it).
// Throws ConversionError as AppendWhole does, and 6 or 7 as AnalyzeSession does.
void SaveOutput(const std::vector<NamedDownload>& downloads, const OutputFormat& format,
                const OutputTarget& to, const LockWait& wait = {},
                const Calibration& calibration = {}, const CountAnalysis* known = nullptr);

// The same for one download.
void SaveOutput(ConversionSession& session, std::string_view name, const OutputFormat& format,
                const OutputTarget& to, const LockWait& wait = {},
                const Calibration& calibration = {}, const CountAnalysis* known = nullptr);

}  // namespace tarvex

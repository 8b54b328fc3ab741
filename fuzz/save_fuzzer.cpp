// Arbitrary bytes as a download file on disk, through Open, Conversion and the file-level
// path: Save refused into the download, then a report and a table appended, whole, to files
// that keep what the earlier inputs appended. Slower than download_fuzzer.cpp, which fuzzes
// everything else in memory.
#include <unistd.h>

#include <fstream>
#include <string_view>

#include "analysis/output_format.h"
#include "conversion/report_writer.h"
#include "fuzz/fuzz_support.h"

namespace tarvex::fuzz {

namespace {

void RemoveFolder();

// A folder of this process's own, removed when it ends.
const std::filesystem::path& Folder() {
  static const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tarvex-fuzz-" + std::to_string(getpid()));
  // Registered once the path is made, so that the removal runs before the path is destroyed.
  [[maybe_unused]] static const int removed_at_exit = [] {
    std::filesystem::create_directories(folder);
    return std::atexit(RemoveFolder);
  }();
  return folder;
}

void RemoveFolder() {
  std::error_code ec;
  std::filesystem::remove_all(Folder(), ec);
}

std::uintmax_t SizeOf(const std::filesystem::path& path) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

// Appends through `save` to `path`, which grows by exactly `bytes`; a file past a megabyte
// starts again.
template <typename Save>
void CheckGrows(const std::filesystem::path& path, Save save, std::size_t bytes, const char* what) {
  const std::uintmax_t before = SizeOf(path);
  save();
  Check(SizeOf(path) == before + bytes, what);
  std::error_code ec;
  if (before + bytes > (1u << 20)) std::filesystem::remove(path, ec);
}

}  // namespace

void FuzzSave(const std::uint8_t* data, std::size_t size) {
  static const SystemFormatter formatter;
  const std::filesystem::path download = Folder() / "download.vlm";
  {
    std::ofstream out(download, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ConversionSession session;
  if (!OpenChecked(session, download, size)) return;
  if (!ConvertChecked(session, formatter)) return;

  // Nothing goes into the open download file.
  try {
    SaveOutput(session, "fuzz.vlm", *MakeOutputFormat(format_name::kReport), download);
    Broken("a report saved into the download file");
  } catch (const ConversionError& e) {
    Check(e.Number() == failure::kReportIntoDownload, "failure 55 for the download file");
  }
  Check(SizeOf(download) == size, "the download file untouched");

  // A report follows whatever the file held: here, the earlier inputs' reports.
  const std::filesystem::path report = Folder() / "report.txt";
  CheckGrows(
      report,
      [&] { SaveOutput(session, "fuzz.vlm", *MakeOutputFormat(format_name::kReport), report); },
      ReportText(session.State()).size(), "report grew by one report");

  // A table: its header row only into an empty file, then the download's rows.
  const auto format = MakeOutputFormat(format_name::kPassages);
  const CountAnalysis analysis = AnalyzeSession(session);
  std::size_t rows = 0;
  OutputSink count([&](std::string_view bytes) { rows += bytes.size(); });
  format->Append({{"fuzz.vlm"}, session.State(), session.Passages(), analysis}, count);
  count.Flush();
  const std::filesystem::path table = Folder() / "passages.csv";
  const std::size_t header = SizeOf(table) == 0 ? format->Header().size() : 0;
  CheckGrows(
      table, [&] { SaveOutput(session, "fuzz.vlm", *format, table); }, header + rows,
      "table grew by its rows, and a header row only when it was empty");
}

}  // namespace tarvex::fuzz

#ifndef TARVEX_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarvex::fuzz::FuzzSave(data, size);
  return 0;
}
#endif

// Arbitrary bytes as a download file, through the session's three commands: Open, Conversion
// with the system formatter, and Save into a temporary file. Every outcome must
// be a result or one of the numbered failures; after a result the state must hold together.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/output_format.h"
#include "base/conversion_error.h"
#include "conversion/conversion_session.h"
#include "conversion/report_writer.h"

namespace {

using namespace tarvex;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void Check(bool holds, const char* what) {
  if (!holds) Broken(what);
}

std::size_t Lines(const std::string& list) {
  return static_cast<std::size_t>(std::count(list.begin(), list.end(), '\n'));
}

bool EmptyOrEndsInCrLf(const std::string& list) {
  return list.empty() || (list.size() >= 2 && list.compare(list.size() - 2, 2, "\r\n") == 0);
}

bool KnownFailure(int number) {
  return std::find(failure::kAll.begin(), failure::kAll.end(), number) != failure::kAll.end();
}

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    auto path =
        std::filesystem::temp_directory_path() / ("tarvex-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

void Run(const std::uint8_t* data, std::size_t size) {
  static const SystemFormatter formatter;
  const std::filesystem::path download = Folder() / "download.vlm";
  const std::filesystem::path report = Folder() / "report.txt";
  {
    std::ofstream out(download, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ConversionSession session;
  const ConversionState& state = session.State();
  try {
    session.Open(download);
  } catch (const ConversionError& e) {
    Check(e.Number() == failure::kInputPastEnd && size == 0, "only an empty file fails to read");
    return;
  }
  Check(state.GlobalCounter.size() <= 6 && state.SerialNumber.size() <= 2 &&
            state.DownloadDate.size() <= 20,
        "header fields within their lengths");
  try {
    session.Convert(formatter);
  } catch (const ConversionError& e) {
    Check(KnownFailure(e.Number()), "a numbered failure");
    return;
  }
  Check(state.FileText.find_first_of("\r\n") == std::string::npos, "one line read");
  Check(state.EventList.empty() && state.ExitRaw.empty() && state.EntryRaw.empty(),
        "working texts given back");
  Check(static_cast<std::size_t>(state.ExitCount) == Lines(state.ExitList), "exits = lines");
  Check(static_cast<std::size_t>(state.EntryCount) == Lines(state.EntryList), "entries = lines");
  for (const std::string* list : {&state.ExitList, &state.EntryList}) {
    Check(EmptyOrEndsInCrLf(*list), "every list empty or ending in CRLF");
  }
  // A second Conversion changes nothing.
  const ConversionState once = state;
  session.Convert(formatter);
  Check(state.ExitList == once.ExitList && state.EntryList == once.EntryList &&
            state.TotalCount == once.TotalCount,
        "a second conversion changes nothing");

  // What the counts say holds together, in every format.
  const CountAnalysis analysis = AnalyzeSession(session);
  Check(analysis.records == state.TotalCount, "a passage per record");
  Check(analysis.entries + analysis.exits + analysis.invalid.count + analysis.no_direction.count >=
            analysis.records,
        "every passage counted or checked");
  for (std::size_t i = 1; i < analysis.days.size(); ++i) {
    Check(analysis.days[i - 1].date < analysis.days[i].date, "days in order");
  }
  for (const char* name : {"passages", "intervals", "summary"}) {
    std::size_t written = 0;
    OutputSink out([&](std::string_view bytes) { written += bytes.size(); });
    MakeOutputFormat(name)->Append({"fuzz.vlm", state, session.Passages(), analysis}, out);
    out.Flush();
    Check(written > 0 || std::string_view(name) != "summary", "a summary says something");
  }

  // The report never goes into the open download file.
  try {
    SaveOutput(session, "fuzz.vlm", *MakeOutputFormat(format_name::kReport), download);
    Broken("a report saved into the download file");
  } catch (const ConversionError& e) {
    Check(e.Number() == failure::kReportIntoDownload, "failure 55 for the download file");
  }

  // The report follows whatever the file held: here, the previous input's report.
  std::error_code ec;
  const std::uintmax_t before =
      std::filesystem::exists(report) ? std::filesystem::file_size(report) : 0;
  SaveOutput(session, "fuzz.vlm", *MakeOutputFormat(format_name::kReport), report);
  const std::uintmax_t after = std::filesystem::file_size(report, ec);
  Check(!ec && after == before + ReportText(state).size(), "report grew by one report");
  if (after > (1u << 20)) std::filesystem::remove(report, ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Run(data, size);
  return 0;
}

#include "analysis/counts_format.h"

#include <optional>

#include "analysis/csv_tables.h"
#include "analysis/summary_text.h"
#include "base/conversion_error.h"

namespace tarvex {

std::unique_ptr<CountsFormat> MakeCountsFormat(std::string_view name, int interval) {
  if (name == "passages") return std::make_unique<PassagesTable>();
  if (name == "intervals") return std::make_unique<IntervalsTable>(interval);
  if (name == "summary") return std::make_unique<SummaryText>();
  return nullptr;
}

namespace {

// What one download appends: the header row when it goes first, then its own.
AppendPieces Pieces(const CountsFormat& format, const DownloadCounts& download,
                    std::optional<bool> with_header) {
  return [&format, &download, with_header](bool empty, const AppendWrite& write) {
    OutputSink out(write);
    if (with_header.value_or(empty)) out.Buffer() += format.Header();
    format.Append(download, out);
    out.Flush();
  };
}

}  // namespace

void AppendCounts(const CountsFormat& format, const DownloadCounts& download,
                  const std::filesystem::path& path, const LockWait& wait, RefusedFiles refused) {
  AppendWhole(path, wait, refused, Pieces(format, download, std::nullopt));
}

void AppendCounts(const CountsFormat& format, const DownloadCounts& download, int descriptor,
                  const std::filesystem::path& name, bool with_header, const LockWait& wait,
                  RefusedFiles refused) {
  AppendWhole(descriptor, name, wait, refused, Pieces(format, download, with_header));
}

CountAnalysis AnalyzeSession(ConversionSession& session) {
  return AnalyzeCounts(session.State().FileText, session.Passages(), session.State().DownloadDate);
}

void SaveCounts(ConversionSession& session, std::string_view name, const CountsFormat& format,
                const std::filesystem::path& path, const LockWait& wait) {
  const std::vector<FileId> refused = session.Refused();
  RefuseWriteInto(path, refused);
  const CountAnalysis analysis = AnalyzeSession(session);
  AppendCounts(format, {name, session.State(), session.Passages(), analysis}, path, wait, refused);
}

void SaveCounts(ConversionSession& session, std::string_view name, const CountsFormat& format,
                int descriptor, const std::filesystem::path& shown, bool with_header,
                const LockWait& wait) {
  const std::vector<FileId> refused = session.Refused();
  RefuseWriteInto(ConversionSession::DescriptorPath(descriptor), refused);
  const CountAnalysis analysis = AnalyzeSession(session);
  AppendCounts(format, {name, session.State(), session.Passages(), analysis}, descriptor, shown,
               with_header, wait, refused);
}

}  // namespace tarvex

// Saving an output of the sessions' downloads: what touches files and sessions, apart from
// the formats themselves.
#include <functional>

#include "analysis/output_format.h"
#include "analysis/workbook.h"
#include "base/conversion_error.h"
#include "base/replace_file.h"
#include "base/shown_name.h"

namespace tarvex {

CountAnalysis AnalyzeSession(ConversionSession& session, const Calibration& calibration) {
  return AnalyzeCounts(session.State().FileText, session.Passages(), session.State().DownloadDate,
                       calibration);
}

namespace {

std::vector<AnalyzedDownload> Analyzed(const std::vector<NamedDownload>& downloads) {
  std::vector<AnalyzedDownload> read;
  for (const NamedDownload& download : downloads) {
    const ConversionState& state = download.session.State();
    read.push_back({state.FileText, download.session.Passages(), state.DownloadDate});
  }
  return read;
}

}  // namespace

CountAnalysis AnalyzeSessions(const std::vector<NamedDownload>& downloads,
                              const Calibration& calibration) {
  return AnalyzeCounts(Analyzed(downloads), calibration);
}

void SaveOutput(ConversionSession& session, std::string_view name, const OutputFormat& format,
                const OutputTarget& to, const LockWait& wait, const Calibration& calibration,
                const CountAnalysis* known) {
  SaveOutput({{name, session}}, format, to, wait, calibration, known);
}

void WithCounts(const std::vector<NamedDownload>& downloads, const OutputFormat& format,
                const Calibration& calibration, const CountAnalysis* known,
                const std::function<void(const DownloadCounts&)>& body) {
  WithMemoryFailure([&] {
    const std::vector<Passage> none;
    const CountAnalysis analysis = !known && format.ReadsAnalysis()
                                       ? AnalyzeSessions(downloads, calibration)
                                       : CountAnalysis{};
    ConversionSession& first = downloads.front().session;
    const ConversionSession& header = downloads[RecordHeader(Analyzed(downloads))].session;
    std::vector<std::string_view> names;
    for (const NamedDownload& download : downloads) names.push_back(download.name);
    body(DownloadCounts{names, header.State(), format.ReadsCounts() ? first.Passages() : none,
                        known ? *known : analysis});
  });
}

void SaveOutput(const std::vector<NamedDownload>& downloads, const OutputFormat& format,
                const OutputTarget& to, const LockWait& wait, const Calibration& calibration,
                const CountAnalysis* known) {
  const bool held = to.descriptor >= 0;
  WithMemoryFailure([&] {
    std::vector<FileId> refused;
    for (const NamedDownload& download : downloads) {
      for (const FileId& file : download.session.Refused()) refused.push_back(file);
    }
    RefuseWriteInto(held ? ConversionSession::DescriptorPath(to.descriptor) : to.path, refused);
    WithCounts(downloads, format, calibration, known, [&](const DownloadCounts& download) {
      const AppendPieces pieces = [&](const AppendedFile& file, const AppendWrite& write) {
        // On a terminal (whatever name reached it) no byte of a header or a name may act on
        // it; a file or a pipe gets every byte as it is.
        const AppendWrite shown = [&](std::string_view bytes) { write(ShownOnTerminal(bytes)); };
        OutputSink out(file.terminal ? shown : write);
        if (file.regular ? file.empty : to.header_first) out.Buffer() += format.Header();
        format.Append(download, out);
        out.Flush();
      };
      if (held) {
        AppendWhole(to.descriptor, to.path, wait, refused, pieces);
      } else {
        AppendWhole(to.path, wait, refused, pieces);
      }
    });
  });
}

void AddToWorkbook(Workbook& book, const std::vector<NamedDownload>& downloads,
                   const Calibration& calibration, const CountAnalysis* known) {
  WithCounts(downloads, WorkbookFormat(), calibration, known,
             [&](const DownloadCounts& record) { book.Add(record); });
  const CountAnalysis unread;
  for (const NamedDownload& download : downloads) {
    book.AddPassages(
        {{download.name}, download.session.State(), download.session.Passages(), unread});
  }
}

void SaveWorkbook(const std::vector<NamedDownload>& downloads, const std::filesystem::path& file,
                  bool replace, const Calibration& calibration, const CountAnalysis* known) {
  std::vector<FileId> refused;
  for (const NamedDownload& download : downloads) {
    for (const FileId& id : download.session.Refused()) refused.push_back(id);
  }
  WholeReplacement replacement(file, refused, replace);
  Workbook book(replacement.Temporary());
  AddToWorkbook(book, downloads, calibration, known);
  book.Close();
  replacement.Commit(replace, refused);
}

}  // namespace tarvex

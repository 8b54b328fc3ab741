#include "analysis/output_format.h"

#include "analysis/csv_tables.h"
#include "analysis/summary_text.h"
#include "base/conversion_error.h"
#include "base/shown_name.h"
#include "conversion/report_writer.h"

namespace tarvex {

namespace {

// The report of the conversion (see ReportText), its lists in the regional forms.
class ReportFormat final : public OutputFormat {
 public:
  std::string_view Name() const override { return format_name::kReport; }
  bool UsesRegionalForms() const override { return true; }
  bool ReadsCounts() const override { return false; }
  void Append(const DownloadCounts& download, OutputSink& out) const override {
    std::vector<std::string> owned;
    for (const std::string_view piece : ReportPieces(download.state, owned)) out.Pass(piece);
  }
};

}  // namespace

std::unique_ptr<OutputFormat> MakeOutputFormat(std::string_view name, int interval) {
  std::unique_ptr<OutputFormat> formats[] = {
      std::make_unique<ReportFormat>(), std::make_unique<PassagesTable>(),
      std::make_unique<IntervalsTable>(interval), std::make_unique<SummaryText>()};
  for (std::unique_ptr<OutputFormat>& format : formats) {
    if (format->Name() == name) return std::move(format);
  }
  return nullptr;
}

CountAnalysis AnalyzeSession(ConversionSession& session) {
  return AnalyzeCounts(session.State().FileText, session.Passages(), session.State().DownloadDate);
}

void SaveOutput(ConversionSession& session, std::string_view name, const OutputFormat& format,
                const OutputTarget& to, const LockWait& wait, const CountAnalysis* known) {
  const bool held = to.descriptor >= 0;
  WithMemoryFailure([&] {
    const std::vector<FileId> refused = session.Refused();
    RefuseWriteInto(held ? ConversionSession::DescriptorPath(to.descriptor) : to.path, refused);
    const std::vector<Passage> none;
    const CountAnalysis analysis =
        !known && format.ReadsAnalysis() ? AnalyzeSession(session) : CountAnalysis{};
    const DownloadCounts download{name, session.State(),
                                  format.ReadsCounts() ? session.Passages() : none,
                                  known ? *known : analysis};
    const AppendPieces pieces = [&](const AppendedFile& file, const AppendWrite& write) {
      // On a terminal (whatever name reached it) no byte of a header or a name may act on it;
      // a file or a pipe gets every byte as it is.
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
}

}  // namespace tarvex

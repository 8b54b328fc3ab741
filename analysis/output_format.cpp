#include "analysis/output_format.h"

#include "analysis/csv_tables.h"
#include "analysis/summary_text.h"
#include "analysis/workbook.h"
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
  std::unique_ptr<OutputFormat> formats[] = {std::make_unique<ReportFormat>(),
                                             std::make_unique<PassagesTable>(),
                                             std::make_unique<IntervalsTable>(interval),
                                             std::make_unique<SummaryText>(),
                                             std::make_unique<DaysTable>(),
                                             std::make_unique<HourlyTable>(),
                                             std::make_unique<WorkbookFormat>()};
  for (std::unique_ptr<OutputFormat>& format : formats) {
    if (format->Name() == name) return std::move(format);
  }
  return nullptr;
}

}  // namespace tarvex

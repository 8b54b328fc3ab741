// Times the whole conversion pipeline on generated downloads of 100,000 and 1,000,000
// records: Open, header, the five scans with the system formatter under the C locale, and
// the report; against the floor of reading the file and counting its "$".
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "analysis/output_format.h"
#include "bench_support.h"
#include "conversion/conversion_session.h"

namespace {

using namespace tarvex;

void RunPipeline(const std::filesystem::path& download, const std::filesystem::path& report,
                 const RegionalFormatter& formatter) {
  ConversionSession session;
  session.Open(download);
  session.Convert(formatter);
  std::filesystem::remove(report);
  SaveOutput(session, "", *MakeOutputFormat(format_name::kReport), report);
  if (session.State().TotalCount <= 0) std::abort();
}

// In a child process: prints one line of figures for this file.
void Measure(const std::filesystem::path& download, long records, std::uintmax_t bytes) {
  const SystemFormatter classic{std::string("C")};
  const std::filesystem::path report = download.string() + ".report.txt";
  const double floor = bench::BestSeconds(3, [&] {
    if (bench::CountDollars(download) != records) std::abort();
  });
  const double pipeline = bench::BestSeconds(3, [&] { RunPipeline(download, report, classic); });
  std::printf(
      "%9ld records  %6.1f MB  pipeline %.3f s  floor %.4f s  ratio %5.1f  "
      "peak %6.1f MB (%.1f x file)\n",
      records, static_cast<double>(bytes) / 1e6, pipeline, floor, pipeline / floor,
      bench::PeakResidentMb(), bench::PeakResidentMb() * 1048576.0 / static_cast<double>(bytes));
  std::fflush(stdout);
}

}  // namespace

int main() {
  std::printf("Conversion pipeline (best of 3 runs each)\n");
  bench::ForEachSize("tarvex-bench",
                     [](const std::filesystem::path& download, long records, std::uintmax_t bytes) {
                       Measure(download, records, bytes);
                       return 0;
                     });
  return 0;
}

// Times what the counts say on a generated download of 1,000,000 records, after its
// Conversion: collecting the passages, the analysis (calibrated too, and of the download given
// twice as one record), and each output in memory; and the memory the kept passages take.
// Then tarvex-report as a whole process on the same download, the report against every other
// format, measured in the same run.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/output_format.h"
#include "bench_support.h"

extern char** environ;

namespace {

using namespace tarvex;

// Seconds tarvex-report takes over `download` with `format` and the `options` after it, its
// output thrown away.
double ReportSeconds(const std::filesystem::path& download, const char* format,
                     const std::vector<std::string>& options = {}) {
  std::vector<std::string> args = {TARVEX_REPORT_PROGRAM, "--locale", "C", "--format", format};
  args.insert(args.end(), options.begin(), options.end());
  args.insert(args.end(), {"-o", "/dev/null", download.string()});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return bench::BestSeconds(3, [&] {
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return;
    int status = 0;
    waitpid(child, &status, 0);
  });
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() / ("tarvex-analysis-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path download = dir / "download.vlm";
  bench::WriteDownload(download, 1000000);
  const SystemFormatter classic{std::string("C")};
  ConversionSession session;
  session.Open(download);
  session.Convert(classic);
  const double collect = bench::BestSeconds(3, [&] {
    if (CollectPassages(session.State().FileText).size() != 1000000) std::abort();
  });
  const std::vector<Passage>& passages = session.Passages();
  CountAnalysis analysis;
  const double analyze = bench::BestSeconds(3, [&] { analysis = AnalyzeSession(session); });
  std::printf("What the counts say, 1,000,000 records after their Conversion (best of 3)\n");
  std::printf("  passages collected in %.3f s, kept in %.1f MB (%zu bytes each)\n", collect,
              static_cast<double>(passages.capacity() * sizeof(Passage)) / 1e6, sizeof(Passage));
  std::printf("  analysis %.3f s (%zu days)\n", analyze, analysis.days.size());
  CountAnalysis calibrated;
  const double calibrate = bench::BestSeconds(3, [&] {
    calibrated = AnalyzeSession(session, Calibration{10, 3 * 60, 500});
  });
  std::printf("  analysis with a start, a daily reset and a capacity %.3f s\n", calibrate);
  const AnalyzedDownload read{session.State().FileText, passages, session.State().DownloadDate};
  CountAnalysis twice;
  const double combine = bench::BestSeconds(3, [&] { twice = AnalyzeCounts({read, read}); });
  std::printf("  the same download given twice as one record %.3f s (%lld passages repeated)\n",
              combine, static_cast<long long>(twice.repeated.count));
  const DownloadCounts counts{{"download.vlm"}, session.State(), passages, analysis};
  for (const char* name : {"passages", "intervals", "summary", "days", "hourly"}) {
    std::size_t size = 0;
    const double seconds = bench::BestSeconds(3, [&] {
      size = 0;
      OutputSink out([&](std::string_view bytes) { size += bytes.size(); });
      MakeOutputFormat(name)->Append(counts, out);
      out.Flush();
    });
    std::printf("  --format %-9s made in %.2f ms (%.3f MB)\n", name, seconds * 1e3,
                static_cast<double>(size) / 1e6);
  }
  std::printf("tarvex-report as a whole process on the same download (best of 3)\n");
  const double report = ReportSeconds(download, "report");
  std::printf("  report     %.3f s\n", report);
  for (const char* name : {"passages", "intervals", "summary", "days", "hourly"}) {
    const double seconds = ReportSeconds(download, name);
    std::printf("  %-10s %.3f s (%.2f x the report)\n", name, seconds, seconds / report);
  }
  const double days =
      ReportSeconds(download, "days", {"--occupancy-reset", "03:00", "--capacity", "400"});
  std::printf("  days with --occupancy-reset 03:00 --capacity 400: %.3f s (%.2f x the report)\n",
              days, days / report);
  fs::remove_all(dir);
  return 0;
}

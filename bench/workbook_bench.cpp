// Times tarvex-report writing one workbook with every sheet from a generated download of
// 1,000,000 records, as a whole process, with its peak resident memory; and, in the same run,
// the report of the same download, for scale. Target: at most 15 s and 150 MB.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"

extern char** environ;

namespace {

struct Run {
  double seconds = 0;
  double peak_mb = 0;
  int status = -1;
};

// tarvex-report with `args`, waited for: its wall time, its own peak resident memory, its
// exit status.
Run RunReport(std::vector<std::string> args) {
  args.insert(args.begin(), TARVEX_REPORT_PROGRAM);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  Run run;
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return run;
  int status = 0;
  struct rusage usage {};
  if (wait4(child, &status, 0, &usage) != child) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  using namespace tarvex;
  const fs::path dir =
      fs::temp_directory_path() / ("tarvex-workbook-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path download = dir / "download.vlm";
  const std::uintmax_t bytes = bench::WriteDownload(download, 1000000);
  std::printf("tarvex-report on a download of 1,000,000 records (%.1f MB)\n",
              static_cast<double>(bytes) / 1e6);
  const Run report =
      RunReport({"--locale", "C", "-o", (dir / "report.txt").string(), download.string()});
  std::printf("  report:   %.2f s, peak %.1f MB (status %d)\n", report.seconds, report.peak_mb,
              report.status);
  const fs::path book = dir / "book.xlsx";
  const Run workbook = RunReport({"--format", "workbook", "-o", book.string(), download.string()});
  std::printf("  workbook: %.2f s, peak %.1f MB (status %d), %.1f MB written; %.2f x the report\n",
              workbook.seconds, workbook.peak_mb, workbook.status,
              static_cast<double>(fs::exists(book) ? fs::file_size(book) : 0) / 1e6,
              workbook.seconds / report.seconds);
  std::printf("  target:   at most 15 s and 150 MB\n");
  fs::remove_all(dir);
  return 0;
}

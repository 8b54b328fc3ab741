// Times tarvex-report on 100 generated downloads of 100,000 records each, all into one
// report: the whole run as a separate process, its wall-clock seconds and peak resident
// memory against the largest download.
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

int main() {
  namespace fs = std::filesystem;
  constexpr int kDownloads = 100;
  constexpr long kRecords = 100000;
  const fs::path dir =
      fs::temp_directory_path() / ("tarvex-report-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);

  std::vector<std::string> args = {TARVEX_REPORT_PROGRAM, "--locale", "C", "-o",
                                   (dir / "report.txt").string()};
  std::uintmax_t largest = 0;
  for (int i = 0; i < kDownloads; ++i) {
    const fs::path download = dir / ("counter_" + std::to_string(i) + ".vlm");
    largest = std::max(largest, tarvex::bench::WriteDownload(download, kRecords,
                                                             20261206u + static_cast<unsigned>(i)));
    args.push_back(download.string());
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    std::printf("could not start %s\n", argv[0]);
    return 1;
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

  const double peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double largest_mb = static_cast<double>(largest) / 1048576.0;
  std::printf(
      "tarvex-report: %d downloads of %ld records (largest %.2f MB) into one report of %.1f MB\n"
      "  %.2f s, peak %.1f MB (%.1f x the largest download), exit status %d\n",
      kDownloads, kRecords, largest_mb,
      static_cast<double>(fs::file_size(dir / "report.txt")) / 1e6, took.count(), peak_mb,
      peak_mb / largest_mb, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  fs::remove_all(dir);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

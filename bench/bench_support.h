#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace tarvex::bench {

// Writes a download file of `records` well-formed records spread over several days, both
// directions, behind a header. Returns its size in bytes.
std::uintmax_t WriteDownload(const std::filesystem::path& path, long records);

// Seconds taken by `body`, best of `runs`.
template <typename Body>
double BestSeconds(int runs, Body&& body) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    body();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (took.count() < best) best = took.count();
  }
  return best;
}

// Peak resident memory of this process so far, in MB.
double PeakResidentMb();

// The floor of any conversion: read the file in big chunks and count its "$".
long CountDollars(const std::filesystem::path& path);

}  // namespace tarvex::bench

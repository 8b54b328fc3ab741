#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace tarvex::bench {

// Writes a download file of `records` well-formed records spread over several days, both
// directions, behind a header; `seed` picks the times. Returns its size in bytes.
std::uintmax_t WriteDownload(const std::filesystem::path& path, long records,
                             unsigned seed = 20261206);

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

// For 100,000 and then 1,000,000 records: writes a download file in a temporary folder
// and runs `measure` on it in a child process of its own, so each size's peak resident
// memory is its own. `measure` returns the child's exit status.
using Measurement =
    std::function<int(const std::filesystem::path& download, long records, std::uintmax_t bytes)>;
void ForEachSize(const std::string& folder_name, const Measurement& measure);

}  // namespace tarvex::bench

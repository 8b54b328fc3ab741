#include "bench_support.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

namespace tarvex::bench {

std::uintmax_t WriteDownload(const std::filesystem::path& path, long records, unsigned seed) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "&01234500"
      << "07"
      << "29/11/2026 23:59:58  ";
  std::mt19937 random(seed);
  std::string chunk;
  const long per_day = std::max(1L, records / 30);
  for (long i = 0; i < records; ++i) {
    const unsigned day_index = static_cast<unsigned>(i / per_day);
    const unsigned year = 2026 - 1980 - day_index / 300;
    const unsigned month = 1 + (day_index / 28) % 12;
    const unsigned day = 1 + day_index % 28;
    const unsigned seconds_of_day = static_cast<unsigned>(random() % 86400);
    const unsigned date = (year << 9) | (month << 5) | day;
    const unsigned time = ((seconds_of_day / 3600) << 11) | ((seconds_of_day / 60 % 60) << 5) |
                          (seconds_of_day % 60 / 2);
    char record[16];
    std::snprintf(record, sizeof record, "$%04X%04X%c", date, time, random() % 2 ? '@' : '#');
    chunk += record;
    if (chunk.size() > (1 << 20)) {
      out << chunk;
      chunk.clear();
    }
  }
  out << chunk << "\r\n";
  out.close();
  return std::filesystem::file_size(path);
}

double PeakResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

long CountDollars(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return -1;
  std::vector<char> buffer(1 << 20);
  long count = 0;
  std::size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
    count += std::count(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got), '$');
  }
  std::fclose(file);
  return count;
}

void ForEachSize(const std::string& folder_name, const Measurement& measure) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / (folder_name + "-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  for (const long records : {100000L, 1000000L}) {
    const std::filesystem::path download = dir / ("download-" + std::to_string(records) + ".vlm");
    const std::uintmax_t bytes = WriteDownload(download, records);
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) std::_Exit(measure(download, records, bytes));
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::printf("measurement of %ld records failed\n", records);
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace tarvex::bench

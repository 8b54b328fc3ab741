// Replays files through both fuzz targets without libFuzzer: each argument is a file or a
// folder of files. Used to run the corpus as a regular test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

void ReplayFile(const std::filesystem::path& path, int& count) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  tarvex::fuzz::FuzzDownload(data, bytes.size());
  tarvex::fuzz::FuzzSave(data, bytes.size());
  ++count;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      for (const auto& file : files) ReplayFile(file, count);
    } else {
      ReplayFile(path, count);
    }
  }
  std::printf("replayed %d inputs through both targets\n", count);
  return count > 0 ? 0 : 1;
}

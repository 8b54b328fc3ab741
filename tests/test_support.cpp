#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tarvex::testing {

std::string FixedFormatter::ShortDate(std::chrono::year_month_day date) const {
  char text[32];
  std::snprintf(text, sizeof text, "%02u/%02u/%d", static_cast<unsigned>(date.day()),
                static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
  return text;
}

std::string FixedFormatter::LongTime(TimeOfDay time) const {
  char text[32];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", static_cast<long>(time.hours().count()),
                static_cast<long>(time.minutes().count()),
                static_cast<long>(time.seconds().count()));
  return text;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-test-XXXXXX").string();
  path = ::mkdtemp(pattern.data());
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path DataFile(const std::string& name) {
  return std::filesystem::path(TARVEX_TEST_DATA_DIR) / name;
}

}  // namespace tarvex::testing

#include "test_support.h"

#include <cstdio>
#include <random>

namespace tarvex::testing {

namespace {
std::string Two(long long v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02lld", v);
  return buffer;
}
}  // namespace

std::string FixedFormatter::ShortDate(std::chrono::year_month_day date) const {
  return Two(static_cast<unsigned>(date.day())) + "/" + Two(static_cast<unsigned>(date.month())) +
         "/" + std::to_string(static_cast<int>(date.year()));
}

std::string FixedFormatter::LongTime(TimeOfDay time) const {
  return Two(time.hours().count()) + ":" + Two(time.minutes().count()) + ":" +
         Two(time.seconds().count());
}

TempDir::TempDir() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("tarvex-test-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path DataFile(const std::string& name) {
  return std::filesystem::path(TARVEX_TEST_DATA_DIR) / name;
}

}  // namespace tarvex::testing

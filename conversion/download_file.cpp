#include "conversion/download_file.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "conversion/conversion_error.h"

namespace tarvex {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr std::size_t kChunk = 1 << 20;

// First of the bytes that end an unquoted field, or `size` when the chunk holds none.
std::size_t FieldEnd(const char* data, std::size_t size, bool quoted) {
  std::size_t end = size;
  const char* stops = quoted ? "\"\r\n" : ",\r\n";
  for (const char* stop = stops; *stop != '\0'; ++stop) {
    if (const void* hit = std::memchr(data, *stop, end)) {
      end = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    }
  }
  return end;
}

std::string ReadFirstField(std::FILE* file, const std::filesystem::path& path) {
  std::string field;
  // The field is usually the whole file: size it once instead of growing it, and read a
  // small file in one small chunk.
  std::error_code ec;
  const std::uintmax_t file_size = std::filesystem::file_size(path, ec);
  if (!ec) field.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(file_size, kMaxPosition)));
  std::vector<char> chunk(ec ? kChunk : static_cast<std::size_t>(std::min<std::uintmax_t>(file_size + 1, kChunk)));
  bool first_chunk = true;
  bool quoted = false;
  for (;;) {
    errno = 0;
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
    if (got == 0) {
      if (std::ferror(file)) throw FileFailure(errno != 0 ? errno : EIO, path);
      if (first_chunk) throw ConversionError(failure::kInputPastEnd);
      return field;
    }
    const char* data = chunk.data();
    std::size_t size = got;
    if (first_chunk) {
      first_chunk = false;
      if (data[0] == '"') {
        quoted = true;
        ++data;
        --size;
      }
    }
    const std::size_t end = FieldEnd(data, size, quoted);
    if (field.size() + end > static_cast<std::size_t>(kMaxPosition)) {
      throw ConversionError(failure::kOutOfMemory);
    }
    field.append(data, end);
    if (end < size) return field;
  }
}

}  // namespace

void OpenDownloadFile(ConversionState& state, const std::filesystem::path& path) {
  if (path.empty()) throw ConversionError(failure::kBadFileName);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw ConversionError(failure::kPathFileAccess);
  errno = 0;
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) throw FileFailure(errno != 0 ? errno : EIO, path);
  std::string field = WithMemoryFailure([&] { return ReadFirstField(file.get(), path); });
  state.FileText.swap(field);
}

void ParseHeader(ConversionState& state) {
  WithMemoryFailure([&] {
    const std::int32_t p = Find(state.FileText, '&', 1);
    std::string header_pos = Decimal(p);
    std::string counter(Substring(state.FileText, std::int64_t{p} + 1, 6));
    std::string serial(Substring(state.FileText, std::int64_t{p} + 9, 2));
    std::string date(Substring(state.FileText, std::int64_t{p} + 11, 20));
    state.HeaderPosText.swap(header_pos);
    state.GlobalCounter.swap(counter);
    state.SerialNumber.swap(serial);
    state.DownloadDate.swap(date);
  });
}

}  // namespace tarvex

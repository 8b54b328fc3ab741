#include "conversion/download_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/conversion_error.h"
#include "base/open_file.h"
#include "conversion/download_text.h"

namespace tarvex {

namespace {

constexpr std::size_t kChunk = 1 << 20;

// Waits up to `milliseconds` (-1: for as long as it takes) until the file has something to
// read or its writer has gone. False when the time ran out first.
bool WaitForInput(const OpenFile& file, int milliseconds, const std::filesystem::path& path) {
  pollfd poll_for{file.Descriptor(), POLLIN, 0};
  for (;;) {
    const int ready = ::poll(&poll_for, 1, milliseconds);
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) throw LastFileFailure(path);
  }
}

// A named pipe (a FIFO in the file system, not the anonymous pipe of a shell's "|") whose
// writer may not have come yet: reading it at once would find its end before the writer
// starts.
bool IsNamedPipe(const OpenFile& file, const struct stat& info) {
  if (!S_ISFIFO(info.st_mode)) return false;
  char target[16] = {};
  const std::string link = "/proc/self/fd/" + std::to_string(file.Descriptor());
  const ssize_t size = ::readlink(link.c_str(), target, sizeof target - 1);
  return size > 0 && std::string_view(target, static_cast<std::size_t>(size)).find("pipe:") != 0;
}

// Up to `size` bytes of the file into `data`: the count read, 0 at the end of the file.
// With `await_writer`, the first read of a named pipe: its writer gets kWriterWait to open
// it; one that has it open by then is waited for as long as it takes, like any pipe's.
std::size_t ReadChunk(const OpenFile& file, char* data, std::size_t size,
                      const std::filesystem::path& path, bool await_writer = false) {
  if (await_writer && !WaitForInput(file, static_cast<int>(kWriterWait.count()), path)) {
    // Nothing yet. Without a writer a read finds the end at once; with a silent one it
    // would have to wait.
    for (;;) {
      const ssize_t got = ::read(file.Descriptor(), data, size);
      if (got > 0) return static_cast<std::size_t>(got);
      if (got == 0) throw ConversionError(failure::kNoWriter);
      if (errno == EAGAIN) break;
      if (errno != EINTR) throw LastFileFailure(path);
    }
  }
  for (;;) {
    const ssize_t got = ::read(file.Descriptor(), data, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno == EAGAIN) {
      WaitForInput(file, -1, path);
    } else if (errno != EINTR) {
      throw LastFileFailure(path);
    }
  }
}

// Room in `field` for `needed` bytes, growing as the field is read. A field that goes on past
// its first chunk is usually the whole file (`file_size`, 0 when unknown), so it is then sized
// to the file at once rather than step by step; where the address space will not take that
// much (a long line at the head of a huge or sparse file, under a limit), it keeps growing.
void MakeRoom(std::string& field, std::size_t needed, std::size_t file_size) {
  if (needed <= field.capacity()) return;
  const std::size_t whole = std::min<std::size_t>(file_size, kMaxPosition);
  if (!field.empty() && whole > needed) {
    try {
      field.reserve(whole);
      return;
    } catch (const std::bad_alloc&) {
    }
  }
  std::size_t grown = 2 * field.capacity();
  if (whole >= needed) grown = std::min(grown, whole);
  field.reserve(std::max(grown, needed));
}

// `file_size` is the size the file had when it was opened (0 when unknown): a small file is
// read in one small chunk.
std::string ReadFirstField(const OpenFile& file, std::size_t file_size, bool named_pipe,
                           const std::filesystem::path& path) {
  std::string field;
  std::vector<char> chunk(file_size == 0 ? kChunk : std::min(file_size + 1, kChunk));
  FirstField first;
  for (bool first_chunk = true;; first_chunk = false) {
    const std::size_t got =
        ReadChunk(file, chunk.data(), chunk.size(), path, first_chunk && named_pipe);
    if (got == 0) {
      if (first_chunk) throw ConversionError(failure::kInputPastEnd);
      return field;
    }
    const std::string_view part = first.Take({chunk.data(), got});
    if (field.size() + part.size() > static_cast<std::size_t>(kMaxPosition)) {
      throw ConversionError(failure::kOutOfMemory);
    }
    MakeRoom(field, field.size() + part.size(), file_size);
    field.append(part);
    if (first.Complete()) return field;
  }
}

}  // namespace

FileId OpenDownloadFile(ConversionState& state, const std::filesystem::path& path) {
  if (path.empty()) throw ConversionError(failure::kBadFileName);
  // Opened without waiting: a named pipe with no writer would hold the program in open().
  OpenFile file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file) throw LastFileFailure(path);
  struct stat info {};
  if (::fstat(file.Descriptor(), &info) != 0) throw LastFileFailure(path);
  if (S_ISDIR(info.st_mode)) throw ConversionError(failure::kPathFileAccess);
  // Pipes, terminals and devices are read to their end, as a file is, waiting for what is
  // still to come; a named pipe's writer gets kWriterWait to open it. A named pipe is this
  // program's own to read without waiting (ReadChunk waits for it); anything else is shared,
  // and is read as it was opened.
  const bool named_pipe = IsNamedPipe(file, info);
  if (!S_ISREG(info.st_mode) && !named_pipe) {
    const int flags = ::fcntl(file.Descriptor(), F_GETFL);
    if (flags < 0 || ::fcntl(file.Descriptor(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
      throw LastFileFailure(path);
    }
  }
  const auto size = S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : 0;
  std::string field =
      WithMemoryFailure([&] { return ReadFirstField(file, size, named_pipe, path); });
  state.FileText.swap(field);
  return FileId{info.st_dev, info.st_ino};
}

}  // namespace tarvex

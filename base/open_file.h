#pragma once

#include <unistd.h>

#include <utility>

namespace tarvex {

// A file descriptor of the operating system, closed when it goes out of scope. The download
// reader and the appending writer both hold their file through one.
class OpenFile {
 public:
  explicit OpenFile(int descriptor = -1) noexcept : descriptor_(descriptor) {}
  ~OpenFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  OpenFile(OpenFile&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
  OpenFile& operator=(OpenFile&& other) noexcept {
    std::swap(descriptor_, other.descriptor_);
    return *this;
  }

  int Descriptor() const noexcept { return descriptor_; }
  explicit operator bool() const noexcept { return descriptor_ >= 0; }

  // Closes the file now. False when the operating system reports a failure (errno says
  // which); the descriptor is given up either way.
  bool Close() noexcept {
    const int descriptor = std::exchange(descriptor_, -1);
    return ::close(descriptor) == 0;
  }

 private:
  int descriptor_;
};

}  // namespace tarvex

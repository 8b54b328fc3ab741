#pragma once

#include <unistd.h>

namespace tarvex {

// A file descriptor of the operating system, closed when it goes out of scope. The download
// reader and the report writer both hold their file through one.
class OpenFile {
 public:
  explicit OpenFile(int descriptor = -1) noexcept : descriptor_(descriptor) {}
  ~OpenFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  int Descriptor() const noexcept { return descriptor_; }
  explicit operator bool() const noexcept { return descriptor_ >= 0; }

  // Closes the file now. False when the operating system reports a failure (errno says
  // which); the descriptor is given up either way.
  bool Close() noexcept {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return ::close(descriptor) == 0;
  }

 private:
  int descriptor_;
};

}  // namespace tarvex

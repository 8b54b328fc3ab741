#include "base/replace_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <random>
#include <string>

#include "base/conversion_error.h"

namespace tarvex {

namespace {

// A short name that is not there yet, in `folder`: ".tarvex-" and eight letters or digits
// drawn at random, whatever the length of the file's own name.
OpenFile MakeTemporary(const std::filesystem::path& folder, const std::filesystem::path& shown,
                       std::filesystem::path& made) {
  static constexpr char kSigns[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 draw(std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()));
  for (unsigned attempt = 0;; ++attempt) {
    std::string name = ".tarvex-";
    std::uint64_t bits = draw();
    for (int sign = 0; sign < 8; ++sign, bits /= 36) name += kSigns[bits % 36];
    made = folder.empty() ? std::filesystem::path(name) : folder / name;
    // Removed by a signal from here on: the name is guarded before the file exists.
    GuardTemporaryFile(made.c_str());
    OpenFile file(::open(made.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file) return file;
    const int error = errno;
    GuardTemporaryFile(nullptr);
    if (error != EEXIST || attempt > 1000) throw FileFailure(error, shown);
  }
}

}  // namespace

std::filesystem::path LinkTarget(const std::filesystem::path& path) {
  std::filesystem::path at = path;
  for (int links = 0; links < kMaxLinks; ++links) {
    std::optional<std::filesystem::path> next = LinkStep(at);
    if (!next) return at;
    at = std::move(*next);
  }
  throw FileFailure(ELOOP, path);
}

WholeReplacement::Exists::Exists(const std::filesystem::path& path)
    : ConversionError(FileFailure(EEXIST, path)) {}

WholeReplacement::WholeReplacement(const std::filesystem::path& path, RefusedFiles refused,
                                   bool replace) {
  if (path.empty()) throw ConversionError(failure::kBadFileName);
  RefuseWriteInto(path, refused);
  target_ = LinkTarget(path);
  // What cannot be replaced is said before anything is written: a folder, a device or a pipe,
  // a file kept (without `replace`), or one the user may not write.
  struct stat there {};
  if (::stat(target_.c_str(), &there) == 0) {
    if (!S_ISREG(there.st_mode)) throw FileFailure(EISDIR, path);
    if (!replace) throw Exists(path);
    if (::access(target_.c_str(), W_OK) != 0) throw LastFileFailure(path);
  }
  MakeBeside(path);
}

WholeReplacement::WholeReplacement(const InFolder& where) {
  target_ = where.folder / ".tarvex";
  MakeBeside(where.folder);
}

void WholeReplacement::MakeBeside(const std::filesystem::path& shown) {
  OpenFile file = MakeTemporary(target_.parent_path(), shown, temporary_);
  if (!file.Close()) {
    const ConversionError failure = LastFileFailure(shown);
    ::unlink(temporary_.c_str());
    GuardTemporaryFile(nullptr);
    throw failure;
  }
}

WholeReplacement::~WholeReplacement() {
  if (committed_) return;
  ::unlink(temporary_.c_str());
  GuardTemporaryFile(nullptr);
}

void WholeReplacement::Commit(bool replace, RefusedFiles refused) {
  RefuseWriteInto(target_, refused);
  OpenFile file(::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file || ::fsync(file.Descriptor()) != 0) throw LastFileFailure(target_);
  // A file replaced keeps who may read and write it.
  struct stat old {};
  if (replace && ::stat(target_.c_str(), &old) == 0) {
    ::fchmod(file.Descriptor(), old.st_mode & 07777);
  }
  const int renamed = replace ? ::rename(temporary_.c_str(), target_.c_str())
                              : ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(),
                                            RENAME_NOREPLACE);
  if (renamed != 0) {
    // A file that came in the meantime stays, as one there from the start does.
    if (errno == EEXIST && !replace) throw Exists(target_);
    throw LastFileFailure(target_);
  }
  committed_ = true;
  GuardTemporaryFile(nullptr);
  // The rename itself made lasting: the folder flushed too (where it can be opened).
  const std::filesystem::path folder = target_.parent_path();
  OpenFile directory(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC));
  if (directory) ::fsync(directory.Descriptor());
}

}  // namespace tarvex

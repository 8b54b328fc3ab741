#include "base/replace_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/conversion_error.h"

namespace tarvex {

namespace {

constexpr int kMaxLinks = 40;  // as the system gives up on a loop of links

// A name that is not there yet, beside `target`: ".name.PID.N.tmp".
OpenFile MakeTemporary(const std::filesystem::path& target, std::filesystem::path& made) {
  const std::filesystem::path folder = target.parent_path();
  for (unsigned attempt = 0;; ++attempt) {
    const std::string name = "." + target.filename().string() + "." + std::to_string(::getpid()) +
                             "." + std::to_string(attempt) + ".tmp";
    made = folder.empty() ? std::filesystem::path(name) : folder / name;
    // Removed by a signal from here on: the name is guarded before the file exists.
    GuardTemporaryFile(made.c_str());
    OpenFile file(::open(made.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file) return file;
    const int error = errno;
    GuardTemporaryFile(nullptr);
    if (error != EEXIST || attempt > 1000) throw FileFailure(error, target);
  }
}

}  // namespace

std::filesystem::path LinkTarget(const std::filesystem::path& path) {
  std::filesystem::path at = path;
  for (int links = 0; links < kMaxLinks; ++links) {
    std::error_code error;
    const std::filesystem::path next = std::filesystem::read_symlink(at, error);
    if (error) return at;
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  throw FileFailure(ELOOP, path);
}

WholeReplacement::WholeReplacement(const std::filesystem::path& path, RefusedFiles refused) {
  if (path.empty()) throw ConversionError(failure::kBadFileName);
  RefuseWriteInto(path, refused);
  target_ = LinkTarget(path);
  // A folder cannot be replaced: said before anything is written.
  struct stat there {};
  if (::stat(target_.c_str(), &there) == 0 && S_ISDIR(there.st_mode)) {
    throw FileFailure(EISDIR, path);
  }
  OpenFile file = MakeTemporary(target_, temporary_);
  if (!file.Close()) {
    const ConversionError failure = LastFileFailure(target_);
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
  if (renamed != 0) throw LastFileFailure(target_);
  committed_ = true;
  GuardTemporaryFile(nullptr);
  // The rename itself made lasting: the folder flushed too (where it can be opened).
  const std::filesystem::path folder = target_.parent_path();
  OpenFile directory(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC));
  if (directory) ::fsync(directory.Descriptor());
}

}  // namespace tarvex

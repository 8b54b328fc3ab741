#include "base/append_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <string>
#include <thread>

#include "base/conversion_error.h"
#include "base/open_file.h"

namespace tarvex {

namespace {

// What undoes the append under way: the file, its size before the append, and whether to
// remove it. Read by the signal handler, so it is undone with async-signal-safe calls only.
struct Undo {
  int descriptor = -1;
  off_t size = 0;
  bool remove = false;  // this append created the file and nothing else was in it
  dev_t device = 0;
  ino_t inode = 0;
  const char* path = nullptr;  // the name the file was created under
};

// The append under way, for the signal handler: `pending` is filled while `active` is 0.
Undo pending;
volatile std::sig_atomic_t active = 0;

// The temporary file of a replacement under way, for the signal handler: `temporary` is
// filled while `replacing` is 0.
char temporary[4096];
volatile std::sig_atomic_t replacing = 0;

// Once the file is cut back to its size before the append: its position there again, and a
// file this append created removed.
void AfterCut(const Undo& undo) noexcept {
  ::lseek(undo.descriptor, undo.size, SEEK_SET);
  // Removed by the name it was created under, only while that name is still the same empty
  // file: never a symbolic link or another file put in its place.
  struct stat now {};
  if (undo.remove && ::lstat(undo.path, &now) == 0 && S_ISREG(now.st_mode) && now.st_size == 0 &&
      now.st_dev == undo.device && now.st_ino == undo.inode) {
    ::unlink(undo.path);
  }
}

// The undo of a signal handler: the system's own calls, async-signal-safe.
void CutBack(const Undo& undo) noexcept {
  if (::ftruncate(undo.descriptor, undo.size) == 0) AfterCut(undo);
}

// Async-signal-safe throughout: CutBack, then the signal's default action.
extern "C" void UndoAndEnd(int signal_number) {
  if (active != 0) CutBack(pending);
  if (replacing != 0) ::unlink(temporary);
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  ::sigemptyset(&fallback.sa_mask);
  ::sigaction(signal_number, &fallback, nullptr);
  sigset_t set;
  ::sigemptyset(&set);
  ::sigaddset(&set, signal_number);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(signal_number);
}

// Opens the file at `path` for appending. A missing file is created exclusively, so that
// `created` names the file this append made (empty when it made none); a symbolic link to
// nothing has its target created, as a shell's ">>" does, and `created` names the target.
OpenFile OpenForAppend(const std::filesystem::path& path, std::filesystem::path& created) {
  constexpr int kFlags = O_WRONLY | O_APPEND | O_CLOEXEC;
  created.clear();
  std::filesystem::path at = path;
  for (int links = 0;;) {
    OpenFile made(::open(at.c_str(), kFlags | O_CREAT | O_EXCL, 0666));
    if (made) {
      created = at;
      return made;
    }
    if (errno != EEXIST) throw LastFileFailure(at);
    OpenFile opened(::open(at.c_str(), kFlags));
    if (opened) return opened;
    if (errno != ENOENT) throw LastFileFailure(at);
    // There and gone at once: a link to nothing, or a file removed between the two opens
    // (then it is created again).
    if (++links > kMaxLinks) throw FileFailure(ELOOP, path);
    if (std::optional<std::filesystem::path> target = LinkStep(at)) at = std::move(*target);
  }
}

// Takes the exclusive lock, waiting as `wait` says. False when wait.limit passed first. A file
// system that cannot lock lets the append go on without the lock, as it would alone.
bool Lock(AppendDevice& device, int descriptor, const LockWait& wait) {
  if (device.Lock(descriptor, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) return true;
  if (wait.on_wait) wait.on_wait();
  if (!wait.limit) {
    while (device.Lock(descriptor, LOCK_EX) != 0 && errno == EINTR) {
    }
    return true;
  }
  const auto deadline = std::chrono::steady_clock::now() + *wait.limit;
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (device.Lock(descriptor, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

// 55 when `file` is one of `refused`.
void Refuse(const std::optional<FileId>& file, RefusedFiles refused) {
  if (file && std::find(refused.begin(), refused.end(), *file) != refused.end()) {
    throw ConversionError(failure::kReportIntoDownload);
  }
}

// The file while one append is written to it, held under its lock.
class AppendTarget {
 public:
  // Opens the file at `path`, creating it when it is missing, and takes its lock.
  AppendTarget(const std::filesystem::path& path, const LockWait& wait, RefusedFiles refused,
               AppendDevice& device)
      : name_(path), device_(device) {
    // By the path first: a download may be a file this writer could not even open.
    Refuse(FileIdOf(path), refused);
    for (;;) {
      owned_ = OpenForAppend(path, created_);
      descriptor_ = owned_.Descriptor();
      Measure();
      Refuse(FileId{before_.st_dev, before_.st_ino}, refused);
      if (!Lock(device_, descriptor_, wait)) throw ConversionError(failure::kReportBusy);
      lock_descriptor_ = descriptor_;
      Measure();
      // A file removed or replaced while this writer waited for it: open the path again.
      struct stat now {};
      if (!S_ISREG(before_.st_mode) ||
          (::stat(path.c_str(), &now) == 0 && now.st_dev == before_.st_dev &&
           now.st_ino == before_.st_ino)) {
        break;
      }
    }
    undo_.remove = !created_.empty() && before_.st_size == 0;
    undo_.path = created_.c_str();
    ToEnd();
  }

  // Writes to `descriptor`, a file the caller holds open and keeps open; a regular file is
  // locked until this append is done.
  AppendTarget(int descriptor, const std::filesystem::path& name, const LockWait& wait,
               RefusedFiles refused, AppendDevice& device)
      : name_(name), device_(device), descriptor_(descriptor) {
    Measure();
    Refuse(FileId{before_.st_dev, before_.st_ino}, refused);
    if (S_ISREG(before_.st_mode)) {
      LockOwnOpening();
      if (!Lock(device_, lock_descriptor_, wait)) throw ConversionError(failure::kReportBusy);
      locked_ = true;
      Measure();
    }
    ToEnd();
  }

  ~AppendTarget() {
    active = 0;
    if (locked_) device_.Lock(lock_descriptor_, LOCK_UN);
  }

  AppendTarget(const AppendTarget&) = delete;
  AppendTarget& operator=(const AppendTarget&) = delete;

  AppendedFile File() const {
    return {before_.st_size == 0, S_ISREG(before_.st_mode), ::isatty(descriptor_) == 1};
  }

  // From here until Finish, a signal undoes what was written.
  void Begin() {
    if (!undoable_) return;
    undo_.descriptor = descriptor_;
    undo_.size = before_.st_size;
    undo_.device = before_.st_dev;
    undo_.inode = before_.st_ino;
    pending = undo_;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    active = 1;
  }

  // Writes all of `bytes`, or undoes the append and raises the failure.
  void Write(std::string_view bytes) {
    while (!bytes.empty()) {
      errno = 0;
      const ssize_t wrote = device_.Write(descriptor_, bytes.data(), bytes.size());
      if (wrote > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
      } else if (wrote < 0 && errno == EINTR) {
        continue;
      } else {
        Fail(LastFileFailure(name_));
      }
    }
  }

  // The writer failed (memory, say) before its bytes were all written: undone as a failed
  // write is; a failure already undone is raised again as it is.
  [[noreturn]] void Abandon(const ConversionError& failure) {
    if (active != 0) Fail(failure);
    throw failure;
  }

  void Finish() {
    active = 0;
    if (owned_ && !owned_.Close()) throw LastFileFailure(name_);
  }

 private:
  // A lock belongs to an opening of a file, not to a process: writers started with one
  // redirection ("{ a & b & } >> r.txt") share the opening of their standard output, and a
  // lock taken on it would hold none of them back. So a held file is locked through an
  // opening of its own (the same file, opened again); where that cannot be had, through the
  // held one, as before.
  void LockOwnOpening() {
    lock_descriptor_ = descriptor_;
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor_);
    OpenFile own(::open(self.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    struct stat same {};
    if (own && ::fstat(own.Descriptor(), &same) == 0 && same.st_dev == before_.st_dev &&
        same.st_ino == before_.st_ino) {
      lock_opening_ = std::move(own);
      lock_descriptor_ = lock_opening_.Descriptor();
    }
  }

  // The file as it is before the append.
  void Measure() {
    if (::fstat(descriptor_, &before_) != 0) throw LastFileFailure(name_);
  }

  // A regular file is written from its end as measured under the lock, whatever its mode
  // (opened without O_APPEND, its position may lie behind another writer's report), and so
  // can be cut back. A terminal or a pipe has no end to go to and is written as it comes.
  void ToEnd() {
    undoable_ = S_ISREG(before_.st_mode);
    if (undoable_ && ::lseek(descriptor_, before_.st_size, SEEK_SET) < 0) {
      throw LastFileFailure(name_);
    }
  }

  // Cuts the file back, still under the lock (see AfterCut); then raises `failure`, the fault
  // that caused the undo.
  // A signal meanwhile still finds the undo pending (cutting back twice to one size is
  // harmless).
  [[noreturn]] void Fail(const ConversionError& failure) {
    if (undoable_ && device_.Truncate(descriptor_, undo_.size) == 0) AfterCut(undo_);
    active = 0;
    throw failure;
  }

  const std::filesystem::path& name_;
  AppendDevice& device_;
  std::filesystem::path created_;  // the file this append created, by the name it has
  bool undoable_ = false;
  bool locked_ = false;
  OpenFile owned_;
  int descriptor_ = -1;
  OpenFile lock_opening_;     // a held file's own opening, for its lock
  int lock_descriptor_ = -1;  // the opening the lock is taken on
  struct stat before_ {};
  Undo undo_;
};

void Append(AppendTarget& target, const AppendPieces& pieces) {
  target.Begin();
  try {
    WithMemoryFailure(
        [&] { pieces(target.File(), [&](std::string_view bytes) { target.Write(bytes); }); });
  } catch (const ConversionError& failure) {
    target.Abandon(failure);
  }
  target.Finish();
}

}  // namespace

AppendDevice& SystemDevice() {
  struct System final : AppendDevice {
    ssize_t Write(int descriptor, const void* data, std::size_t size) override {
      return ::write(descriptor, data, size);
    }
    int Truncate(int descriptor, off_t size) override { return ::ftruncate(descriptor, size); }
    int Lock(int descriptor, int operation) override { return ::flock(descriptor, operation); }
  };
  static System system;
  return system;
}

std::optional<FileId> FileIdOf(const std::filesystem::path& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileId{info.st_dev, info.st_ino};
}

void RefuseWriteInto(const std::filesystem::path& path, RefusedFiles refused) {
  Refuse(FileIdOf(path), refused);
}

void AppendWhole(const std::filesystem::path& path, const LockWait& wait, RefusedFiles refused,
                 const AppendPieces& pieces, AppendDevice& device) {
  if (path.empty()) throw ConversionError(failure::kBadFileName);
  AppendTarget target(path, wait, refused, device);
  Append(target, pieces);
}

void AppendWhole(int descriptor, const std::filesystem::path& name, const LockWait& wait,
                 RefusedFiles refused, const AppendPieces& pieces, AppendDevice& device) {
  AppendTarget target(descriptor, name, wait, refused, device);
  Append(target, pieces);
}

void GuardTemporaryFile(const char* path) noexcept {
  replacing = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (path == nullptr) return;
  const std::size_t size = std::char_traits<char>::length(path);
  if (size >= sizeof temporary) return;  // too long a name to keep: not guarded
  std::char_traits<char>::copy(temporary, path, size + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  replacing = 1;
}

HoldFatalSignals::HoldFatalSignals() noexcept {
  sigset_t hold;
  ::sigemptyset(&hold);
  for (const int signal_number : kFatalSignals) ::sigaddset(&hold, signal_number);
  ::pthread_sigmask(SIG_BLOCK, &hold, &held_);
}

HoldFatalSignals::~HoldFatalSignals() {
  ::pthread_sigmask(SIG_SETMASK, &held_, nullptr);
}

void GuardAppendsAgainstSignals() {
  for (const int signal_number : kFatalSignals) {
    struct sigaction now {};
    if (::sigaction(signal_number, nullptr, &now) != 0 || now.sa_handler != SIG_DFL) continue;
    struct sigaction undo {};
    undo.sa_handler = UndoAndEnd;
    ::sigemptyset(&undo.sa_mask);
    for (const int other : kFatalSignals) ::sigaddset(&undo.sa_mask, other);
    ::sigaction(signal_number, &undo, nullptr);
  }
  ::signal(SIGXFSZ, SIG_IGN);
}

std::optional<std::filesystem::path> LinkStep(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::read_symlink(path, error);
  if (error) return std::nullopt;
  return target.is_absolute() ? target : path.parent_path() / target;
}

}  // namespace tarvex

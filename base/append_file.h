#pragma once

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace tarvex {

// Appending to a file that other programs may append to at the same time (a monthly report
// fed by a scheduled job and by a person saving from the window), so that every append in it
// is whole, whatever fails and whatever interrupts.
//
// One writer at a time: an append takes an exclusive advisory lock (flock) on the file before
// it measures the file, and keeps it until its last write or its undo is done. Every writer
// of these programs does; a writer that ignores locks (a shell's ">>") is beyond reach, and so
// is a file system that offers no locks (the append then goes on without one, as it would
// alone). Readers that want a whole copy take a shared lock: flock -s r.txt cp r.txt copy.txt.
//
// At the end: under the lock every append writes from the end of the file as measured there,
// whatever the mode the file was opened in (a shell's ">" opens standard output without
// O_APPEND, at a position another writer may since have passed).
//
// Whole or not at all: every write is checked; on any failure a regular file is cut back,
// through the open file, to the size measured under the lock, and a file that this append
// created and that held nothing else is removed while its name still names that empty file
// (the name it was created under: the target of a symbolic link, never the link). A writer
// that finds, once it holds the lock, that the file it opened is no longer the one its path
// names (another writer's undo removed it, or someone put another file in its place) opens
// the path again.
//
// Never into a download: the files an append must not write into are checked by device and
// inode on the path before it is opened and on the file actually opened, after every open
// and before the first byte, so that no name (a link swapped in while the writer waited)
// leads into one.

// A file on disk, whatever name reaches it.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId&) const = default;
};

// The file `path` names, through any symbolic links; nothing when it names none.
std::optional<FileId> FileIdOf(const std::filesystem::path& path);

// The files an append refuses to write into (the downloads).
using RefusedFiles = std::span<const FileId>;

// Throws ConversionError 55 when `path` names one of `refused`, by whatever name.
void RefuseWriteInto(const std::filesystem::path& path, RefusedFiles refused);

// How long an append waits while another program holds the file.
struct LockWait {
  std::optional<std::chrono::milliseconds> limit;  // nothing: for as long as it takes
  std::function<void()> on_wait;  // called once when the file is found held, before waiting
};

// The file an append writes to, as found once it is held (the file actually opened, whatever
// name reached it).
struct AppendedFile {
  bool empty = false;     // it held nothing at that moment (a table's header row goes only then)
  bool regular = false;   // a regular file (not a terminal, a pipe or a device)
  bool terminal = false;  // a terminal: no byte written may act on it
};

// What an append writes, once the file is held: it hands its bytes to `write`, in as many
// pieces as it likes (a large one need never be whole in memory), as `file` says. A write that
// fails undoes the append and throws: the writer then stops there.
using AppendWrite = std::function<void(std::string_view bytes)>;
using AppendPieces = std::function<void(const AppendedFile& file, const AppendWrite& write)>;

// The calls a whole append makes on its file, taken and answered as the operating system's
// write(2), ftruncate(2) and flock(2): the seam where a test puts a file that fails at the byte
// it chooses. The undo of a signal (see GuardAppendsAgainstSignals) keeps the system's own
// calls, the only ones a signal handler may make.
class AppendDevice {
 public:
  virtual ~AppendDevice() = default;
  virtual ssize_t Write(int descriptor, const void* data, std::size_t size) = 0;
  virtual int Truncate(int descriptor, off_t size) = 0;
  virtual int Lock(int descriptor, int operation) = 0;
};

// The operating system's own calls.
AppendDevice& SystemDevice();

// Appends the pieces to the file at `path`, creating it when it is missing (through a
// symbolic link to nothing, its target, as a shell's ">>" does), through `device`.
// Throws ConversionError: 52 for an empty path; 55 when the file is one of `refused` and 56
// when another program held it for longer than wait.limit (nothing is written either way); 7
// on exhausted memory; else a failure of opening or writing the file (see FileFailure).
void AppendWhole(const std::filesystem::path& path, const LockWait& wait, RefusedFiles refused,
                 const AppendPieces& pieces, AppendDevice& device = SystemDevice());

// The same, to `descriptor`, a file the caller holds open for writing (standard output) and
// keeps open; `name` stands for it in failures. A regular file is locked, written at its
// end and cut back on failure; a terminal or a pipe is written as it comes and cannot be cut
// back. Throws as above, less 52.
void AppendWhole(int descriptor, const std::filesystem::path& name, const LockWait& wait,
                 RefusedFiles refused, const AppendPieces& pieces,
                 AppendDevice& device = SystemDevice());

// Makes signals keep the promise, for the whole process; call once at start. Every
// asynchronous signal whose default ends the process (kFatalSignals) during an append cuts the
// file back as a failure would, then ends the program as that signal ends it (a calling shell
// sees 128 plus its number, 130 for SIGINT, and stops too); outside an append they do what
// they did before (a signal the process was started ignoring stays ignored). The faults a
// program raises on itself (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) are left to their
// defaults and to the sanitizers. SIGXFSZ is ignored, so that a file-size limit is failure 61
// with its undo. A file written under a temporary name meanwhile (GuardTemporaryFile) is
// removed first.
void GuardAppendsAgainstSignals();

// The file a replacement is writing under a temporary name (see WholeReplacement), removed by
// the signals above before they end the program; nullptr once it is renamed or removed. One
// at a time.
void GuardTemporaryFile(const char* path) noexcept;

// How many symbolic links a name is followed through before it is a loop, as the system
// gives up.
inline constexpr int kMaxLinks = 40;

// Where the symbolic link `path` points, a relative target taken against the link's folder;
// nothing when `path` is not a link.
std::optional<std::filesystem::path> LinkStep(const std::filesystem::path& path);

// Holds back the signals below for as long as it lives, for a library call that makes files of
// its own under names the guard cannot know (they are removed as soon as made): a signal
// meanwhile comes when it ends.
class HoldFatalSignals {
 public:
  HoldFatalSignals() noexcept;
  ~HoldFatalSignals();
  HoldFatalSignals(const HoldFatalSignals&) = delete;
  HoldFatalSignals& operator=(const HoldFatalSignals&) = delete;

 private:
  sigset_t held_{};
};

// The signals an append is guarded against: every asynchronous signal whose default action
// ends the process.
inline constexpr int kFatalSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM,   SIGALRM, SIGUSR1,
                                        SIGUSR2, SIGPIPE, SIGXCPU, SIGVTALRM, SIGPROF};

}  // namespace tarvex

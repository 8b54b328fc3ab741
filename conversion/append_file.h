#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
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
// Whole or not at all: every write is checked; on any failure a regular file is cut back,
// through the open file, to the size measured under the lock, and a file that this append
// created and that held nothing else is removed while the path still names it. A writer that
// finds, once it holds the lock, that the file it opened is no longer the one its path names
// (another writer's undo removed it) opens the path again.

// How long an append waits while another program holds the file.
struct LockWait {
  std::optional<std::chrono::milliseconds> limit;  // nothing: for as long as it takes
  std::function<void()> on_wait;  // called once when the file is found held, before waiting
};

// What an append writes, once the file is held: it hands its bytes to `write`, in as many
// pieces as it likes (a large one need never be whole in memory); `empty` says whether the file
// held nothing at that moment (a table's header row goes only into an empty file). A write that
// fails undoes the append and throws: the writer then stops there.
using AppendWrite = std::function<void(std::string_view bytes)>;
using AppendPieces = std::function<void(bool empty, const AppendWrite& write)>;

// Appends the pieces to the file at `path`, creating it when it is missing.
// Throws ConversionError: 52 for an empty path; 75 when the path is a directory; 76 when a
// folder in the path does not exist; 70 when access is refused; 56 when another program
// held the file for longer than wait.limit (nothing is written); 61 when the disk is full or
// a file-size limit is reached; 57 when a write fails for another reason; 7 on exhausted
// memory.
void AppendWhole(const std::filesystem::path& path, const LockWait& wait,
                 const AppendPieces& pieces);

// The same, to `descriptor`, a file the caller holds open for writing (standard output) and
// keeps open; `name` stands for it in failures. A regular file is locked and, when it is
// written at its end, cut back on failure; a terminal or a pipe cannot be. Throws as above,
// less 52, 75 and 76.
void AppendWhole(int descriptor, const std::filesystem::path& name, const LockWait& wait,
                 const AppendPieces& pieces);

// Makes interrupts keep the promise, for the whole process; call once at start. SIGINT,
// SIGTERM and SIGHUP during an append cut the file back as a failure would, then end the
// program as that signal ends it (a calling shell sees 130 or 143, and stops too); outside an
// append they do what they did before (a signal the process was started ignoring stays
// ignored). SIGXFSZ is ignored, so that a file-size limit is failure 61 with its undo.
void GuardAppendsAgainstSignals();

}  // namespace tarvex

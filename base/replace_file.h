#pragma once

#include <filesystem>

#include "base/append_file.h"
#include "base/conversion_error.h"
#include "base/open_file.h"

namespace tarvex {

// Replacing a file whole (a workbook, which cannot be appended to): the new content is
// written into a new file beside the old one under a temporary name, flushed to disk, and
// renamed over the old name only once it is whole. Whatever fails or interrupts, the name
// then holds the old file (or none, when there was none), never half of the new one: on any
// failure the temporary file is removed, and so it is by a fatal signal (see
// GuardAppendsAgainstSignals). A symbolic link is followed to its target, as a report's is:
// the target is replaced, the link stays. Never into a download: a name that reaches one of
// the refused files is failure 55, checked before the temporary is made and again before it
// is renamed.
class WholeReplacement {
 public:
  // An existing file that is kept, not replaced: the failure the rename into its name meets
  // (FileFailure(EEXIST)), told apart from every other so that it is said as the file kept.
  class Exists : public ConversionError {
   public:
    explicit Exists(const std::filesystem::path& path);
  };

  // Makes the temporary file beside the file `path` names. Throws ConversionError: 52 for an
  // empty path, 55 as said above, FileFailure(EISDIR) for an existing folder or anything else
  // that is not a plain file, Exists for an existing file when not `replace`, FileFailure
  // (EACCES) for one the user may not write, else a failure of making the file (see
  // FileFailure).
  WholeReplacement(const std::filesystem::path& path, RefusedFiles refused, bool replace);
  // A private temporary file in `folder` only, for content copied elsewhere once whole (it
  // is never renamed): throws the failure of making it.
  struct InFolder {
    std::filesystem::path folder;
  };
  explicit WholeReplacement(const InFolder& where);
  // Removes the temporary file unless it was renamed.
  ~WholeReplacement();
  WholeReplacement(const WholeReplacement&) = delete;
  WholeReplacement& operator=(const WholeReplacement&) = delete;

  // Where the new content goes (the temporary file, empty), and the file it will replace.
  const std::filesystem::path& Temporary() const { return temporary_; }
  const std::filesystem::path& Target() const { return target_; }

  // Flushes the temporary file to disk and renames it over the target: over an existing one
  // only when `replace` (keeping its permissions), else the existing file stays and the
  // failure is Exists.
  // Throws ConversionError as above; the temporary is removed on any failure.
  void Commit(bool replace, RefusedFiles refused);

 private:
  // Makes the temporary file in the target's folder; `shown` names what a failure is of.
  void MakeBeside(const std::filesystem::path& shown);

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  bool committed_ = false;
};

// The file a name leads to through its symbolic links (a link to nothing: its target, which
// may not exist); the name itself when it is no link.
std::filesystem::path LinkTarget(const std::filesystem::path& path);

}  // namespace tarvex

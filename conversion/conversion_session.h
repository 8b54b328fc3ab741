#pragma once

#include <filesystem>

#include "base/append_file.h"
#include "conversion/conversion_state.h"
#include "conversion/passages.h"
#include "conversion/regional_format.h"

namespace tarvex {

// One conversion state and the commands over it, Open and Conversion, with every rule they
// keep, and what a save must never write into; the third command, Save, is SaveOutput (in
// analysis/output_format.h), one way for the report and every other output. The window and
// the command line choose the paths and show the state; the order of the steps lives here
// only.
class ConversionSession {
 public:
  // The state after start-up: nothing open, counts zero, lists and header fields empty.
  ConversionSession();

  // Open: forgets the file text and both lists, reads the first field of `download`, arms
  // the scans and cuts the header. On failure nothing of an earlier file stays: the state is
  // as after start-up, with empty header fields, and no download is open.
  // Throws ConversionError as OpenDownloadFile does.
  void Open(const std::filesystem::path& download);

  // Conversion: the three record scans and the two timestamp lists, rendered by `formatter`.
  // Scans run at most once per opened file, so a second call changes nothing. The scans'
  // working texts (EventList, ExitRaw, EntryRaw) are emptied once read: what stays is the
  // file text, the counts and the two lists. On failure the state stays as it was at the
  // failure: what was counted and listed before it is kept.
  // Throws ConversionError 5 (a malformed first record), 6 (overflow), 7 (memory).
  void Convert(const RegionalFormatter& formatter);

  // The rule of saving (see SaveOutput), for a caller that checks before it starts: throws
  // ConversionError 55 when `report` names the same file on disk as `download`. A report
  // path that names nothing yet never matches.
  static void RefuseReportInto(const std::filesystem::path& report,
                               const std::filesystem::path& download);

  // Whether `path` names the open download file (the same file on disk, as read or as its
  // path names it now).
  bool IsOpenDownload(const std::filesystem::path& path) const;

  // What no output is ever saved into (see SaveOutput, in analysis/): the file the last
  // successful Open read, the file its path names now, and every file given to RefuseAlso.
  // Saved by any name, even one swapped in while the save waited for the file, these are
  // refused with ConversionError 55 and nothing is written.
  std::vector<FileId> Refused() const;

  // Makes saving refuse `file` too for the life of the session (the command line's other
  // downloads).
  void RefuseAlso(const FileId& file);

  // The file the last successful Open read, as it was opened; nothing when none is open.
  const std::optional<FileId>& DownloadFile() const noexcept { return download_file_; }

  // The path through which this process reaches its open file `descriptor`.
  static std::filesystem::path DescriptorPath(int descriptor);

  const ConversionState& State() const noexcept { return state_; }

  // The "$" records of the open download, for the analysis of the counts: collected from
  // the file text on the first call after an Open, then kept (8 bytes a record) until the
  // next Open. Throws ConversionError 6 or 7 as CollectPassages does.
  const std::vector<Passage>& Passages();

  // The download file the last successful Open read; empty when none is open.
  const std::filesystem::path& Download() const noexcept { return download_; }

 private:
  void Forget() noexcept;

  ConversionState state_;
  std::filesystem::path download_;
  std::optional<FileId> download_file_;
  std::vector<FileId> refused_;
  std::vector<Passage> passages_;
  bool passages_collected_ = false;
};

}  // namespace tarvex

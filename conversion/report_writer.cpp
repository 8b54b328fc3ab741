#include "conversion/report_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "conversion/conversion_error.h"
#include "conversion/open_file.h"

namespace tarvex {

namespace {

// The report as a sequence of pieces, in file order. The big lists are referred to, not
// copied, so a report of a large download costs no second copy of its lists.
std::vector<std::string_view> ReportPieces(const ConversionState& state,
                                           std::vector<std::string>& owned) {
  owned = {
      "ENTRADAS=" + Decimal(state.EntryCount) + " " + "SALIDAS=" + Decimal(state.ExitCount) + " " +
          "TOTAL=" + Decimal(state.TotalCount) + "\r\n\r\n",
      "CONTADOR GLOBAL:" + std::string(" ") + state.GlobalCounter + " " + "NUMERO DE SERIE:" + " " +
          state.SerialNumber + "\r\n",
      "FECHA DE DESCARGA:" + state.DownloadDate + "\r\n",
  };
  return {"ENTRADAS\r\n", state.EntryList, "\r\n",   "SALIDAS\r\n", state.ExitList,
          "\r\n",         owned[0],        owned[1], owned[2]};
}

// Creates the report file exclusively, so that `created` tells whether this call made it; a
// file that is already there is opened for appending instead. -1 when neither works.
int OpenReport(const std::filesystem::path& path, bool& created) {
  constexpr int kFlags = O_WRONLY | O_APPEND | O_CLOEXEC;
  const int made = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
  created = made >= 0;
  if (made >= 0 || errno != EEXIST) return made;
  return ::open(path.c_str(), kFlags);
}

// The report file while one report is appended to it, and what it was before: a failure is
// undone through the open file itself, never by looking the path up again.
class ReportTarget {
 public:
  // Opens the file at `path`, creating it when it is missing.
  explicit ReportTarget(const std::filesystem::path& path)
      : name_(path), owned_(OpenReport(path, created_)), descriptor_(owned_.Descriptor()) {
    if (!owned_) throw LastFileFailure(path);
    Remember();
  }

  // Writes to `descriptor`, a file the caller holds open and keeps open.
  ReportTarget(int descriptor, const std::filesystem::path& name)
      : name_(name), descriptor_(descriptor) {
    Remember();
  }

  // Writes all of `bytes`, or undoes the report and raises the failure.
  void Write(std::string_view bytes) {
    while (!bytes.empty()) {
      errno = 0;
      const ssize_t wrote = ::write(descriptor_, bytes.data(), bytes.size());
      if (wrote > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
      } else if (wrote < 0 && errno == EINTR) {
        continue;
      } else {
        Fail(LastFileFailure(name_));
      }
    }
  }

  void Close() {
    if (owned_ && !owned_.Close()) throw LastFileFailure(name_);
  }

 private:
  // Notes where the report starts. Only a regular file written at its end can be cut back:
  // a file opened for appending, or one whose position is at its end.
  void Remember() {
    if (::fstat(descriptor_, &before_) != 0) Fail(LastFileFailure(name_));
    const int flags = ::fcntl(descriptor_, F_GETFL);
    const bool appending = flags >= 0 && (flags & O_APPEND) != 0;
    undoable_ = S_ISREG(before_.st_mode) &&
                (appending || ::lseek(descriptor_, 0, SEEK_CUR) == before_.st_size);
  }

  // Cuts a regular file back to the length it had before this report; removes it instead
  // when this call created it and the path still names it. A device or a pipe is left alone:
  // there is nothing to cut. Then raises `failure`, the fault that caused the undo.
  [[noreturn]] void Fail(const ConversionError& failure) {
    if (undoable_ && ::ftruncate(descriptor_, before_.st_size) == 0) {
      ::lseek(descriptor_, before_.st_size, SEEK_SET);
      struct stat now {};
      if (created_ && ::stat(name_.c_str(), &now) == 0 && now.st_dev == before_.st_dev &&
          now.st_ino == before_.st_ino) {
        ::unlink(name_.c_str());
      }
    }
    throw failure;
  }

  const std::filesystem::path& name_;
  bool created_ = false;
  bool undoable_ = false;
  OpenFile owned_;
  int descriptor_;
  struct stat before_ {};
};

// Writes the report of `state` to `target`, whole or not at all.
void WriteReport(ConversionState& state, ReportTarget& target,
                 const std::vector<std::string_view>& pieces) {
  state.ReportFileNumber = 1;
  for (std::string_view piece : pieces) target.Write(piece);
  target.Close();
}

}  // namespace

std::string ReportText(const ConversionState& state) {
  return WithMemoryFailure([&] {
    std::vector<std::string> owned;
    std::string text;
    for (std::string_view piece : ReportPieces(state, owned)) text.append(piece);
    return text;
  });
}

void AppendReport(ConversionState& state, const std::filesystem::path& path) {
  if (path.empty()) throw ConversionError(failure::kBadFileName);
  std::vector<std::string> owned;
  const std::vector<std::string_view> pieces =
      WithMemoryFailure([&] { return ReportPieces(state, owned); });
  ReportTarget target(path);
  WriteReport(state, target, pieces);
}

void AppendReport(ConversionState& state, int descriptor, const std::filesystem::path& name) {
  std::vector<std::string> owned;
  const std::vector<std::string_view> pieces =
      WithMemoryFailure([&] { return ReportPieces(state, owned); });
  ReportTarget target(descriptor, name);
  WriteReport(state, target, pieces);
}

}  // namespace tarvex

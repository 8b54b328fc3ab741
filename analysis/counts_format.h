#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/count_analysis.h"
#include "base/append_file.h"
#include "conversion/conversion_session.h"
#include "conversion/conversion_state.h"
#include "conversion/passages.h"

namespace tarvex {

// One download as its counts' outputs see it.
struct DownloadCounts {
  // The download as the user named it (a path, the file system's bytes); empty for standard
  // input. The tables give its bare file name (TableName), the summary the whole name as
  // standard error shows it.
  std::string_view name;
  const ConversionState& state;
  const std::vector<Passage>& passages;
  const CountAnalysis& analysis;
};

// Where an output goes: text gathered in Buffer() and handed on about a megabyte at a time,
// so that the table of a large download is never whole in memory.
class OutputSink {
 public:
  explicit OutputSink(AppendWrite write) : write_(std::move(write)) {}
  std::string& Buffer() { return buffer_; }
  // After each row: hands the buffer on once it is large enough.
  void Row() {
    if (buffer_.size() >= kChunk) Flush();
  }
  void Flush() {
    write_(buffer_);
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;
  AppendWrite write_;
  std::string buffer_;
};

// An output of the counts, by its --format name: a table (CSV) or a text. A new format is one
// more class of these and one more name in MakeCountsFormat.
class CountsFormat {
 public:
  virtual ~CountsFormat() = default;
  // A table's header row: first into an empty file, or at the start of standard output.
  // Empty for a text.
  virtual std::string_view Header() const = 0;
  // Writes what one download gives into `out`, calling out.Row() after each row or line.
  virtual void Append(const DownloadCounts& download, OutputSink& out) const = 0;
};

// The format called `name`: "passages", "intervals" (of `interval` minutes, 15 or 60) or
// "summary"; nothing for another name.
std::unique_ptr<CountsFormat> MakeCountsFormat(std::string_view name, int interval = 60);

// Appends what one download gives to the file at `path`, creating it when missing; a table's
// header row goes first only when the file is empty then. Whole or not at all, one writer at a
// time, never into one of `refused`, as a report (see AppendWhole, and its failures).
void AppendCounts(const CountsFormat& format, const DownloadCounts& download,
                  const std::filesystem::path& path, const LockWait& wait,
                  RefusedFiles refused = {});

// The same to `descriptor`, a file the caller holds open (standard output); the header row
// goes first when `with_header`.
void AppendCounts(const CountsFormat& format, const DownloadCounts& download, int descriptor,
                  const std::filesystem::path& name, bool with_header, const LockWait& wait,
                  RefusedFiles refused = {});

// What the counts of the session's open download say (after its Conversion).
// Throws ConversionError 6 or 7 (see CollectPassages and AnalyzeCounts).
CountAnalysis AnalyzeSession(ConversionSession& session);

// Saves what the session's open download gives in `format` to the file at `path`, as Save
// saves a report: refused with ConversionError 55 when the file is one the session refuses
// (the open download, see ConversionSession::Refused; nothing is written), else whole or not
// at all (see AppendCounts). `name` is the download as named
// (see DownloadCounts).
void SaveCounts(ConversionSession& session, std::string_view name, const CountsFormat& format,
                const std::filesystem::path& path, const LockWait& wait);

// The same to `descriptor`, a file this process holds open (standard output); `shown` stands
// for it in failures, and the header row goes first when `with_header`.
void SaveCounts(ConversionSession& session, std::string_view name, const CountsFormat& format,
                int descriptor, const std::filesystem::path& shown, bool with_header,
                const LockWait& wait);

}  // namespace tarvex

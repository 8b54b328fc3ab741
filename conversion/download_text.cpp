#include "conversion/download_text.h"

#include <algorithm>
#include <string>

#include "base/conversion_error.h"
#include "conversion/event_scan.h"
#include "conversion/stamp_decoder.h"

namespace tarvex {

std::string_view FirstField::Take(std::string_view bytes) noexcept {
  if (complete_ || bytes.empty()) return {};
  if (!started_) {
    started_ = true;
    if (bytes.front() == '"') {
      quoted_ = true;
      bytes.remove_prefix(1);
    }
  }
  const std::size_t end =
      bytes.find_first_of(quoted_ ? std::string_view("\"\r\n", 3) : std::string_view(",\r\n", 3));
  if (end == std::string_view::npos) return bytes;
  complete_ = true;
  return bytes.substr(0, end);
}

void ParseHeader(ConversionState& state) {
  WithMemoryFailure([&] {
    const std::int32_t p = Find(state.FileText, '&', 1);
    std::string header_pos = Decimal(p);
    std::string counter(Substring(state.FileText, std::int64_t{p} + 1, 6));
    std::string serial(Substring(state.FileText, std::int64_t{p} + 9, 2));
    std::string date(Substring(state.FileText, std::int64_t{p} + 11, 20));
    state.HeaderPosText.swap(header_pos);
    state.GlobalCounter.swap(counter);
    state.SerialNumber.swap(serial);
    state.DownloadDate.swap(date);
  });
}

void OpenDownloadText(ConversionState& state, std::string_view download) {
  if (download.empty()) throw ConversionError(failure::kInputPastEnd);
  FirstField first;
  const std::string_view field = first.Take(download);
  if (field.size() > static_cast<std::size_t>(kMaxPosition)) {
    throw ConversionError(failure::kOutOfMemory);
  }
  ConversionState opened;
  WithMemoryFailure([&] { opened.FileText.assign(field); });
  ParseHeader(opened);
  // The lists of an earlier conversion are not part of a new download.
  state = std::move(opened);
}

void ConvertDownload(ConversionState& state, const RegionalFormatter& formatter) {
  WithMemoryFailure([&] {
    ScanEvents(state);
    ScanExits(state);
    ScanEntries(state);
    // The scans will not run again over their working texts.
    Release(state.EventList);
    BuildExitList(state, formatter);
    Release(state.ExitRaw);
    BuildEntryList(state, formatter);
    Release(state.EntryRaw);
  });
}

}  // namespace tarvex

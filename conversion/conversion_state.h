#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/conversion_error.h"

namespace tarvex {

// One resumable scan. `found` is non-zero while the scan may still find something: armed
// as 1, then the 1-based position of the last hit, 0 once a search found nothing (the scan
// is then finished until the next reset). `start` is where the next search begins.
struct ScanCursor {
  std::int32_t found = 1;
  std::int32_t start = 1;
};

// All the working state of one conversion, owned by its session (ConversionSession). Texts
// hold the bytes of the download file exactly as read, one byte one character, so a 1-based
// position is a byte position. Every list is empty or a sequence of lines each ending in CRLF.
// A default-constructed state is the state after start-up (see InitialiseState).
struct ConversionState {
  std::string FileText;       // first field of the download file
  std::string HeaderPosText;  // position of "&" in FileText, as decimal text
  std::string GlobalCounter;  // up to 6 characters after "&"
  std::string SerialNumber;   // up to 2 characters, 9-10 after "&"
  std::string DownloadDate;   // up to 20 characters, 11-30 after "&"

  ScanCursor EventScan;   // FileText for "$"
  std::string EventList;  // payload of each "$" record + CRLF
  std::int32_t TotalCount = 0;

  ScanCursor ExitScan;  // EventList for "#"
  std::string ExitRaw;  // 8 characters before each "#" + CRLF
  std::int32_t ExitCount = 0;

  ScanCursor EntryScan;  // EventList for "@"
  std::string EntryRaw;  // 8 characters before each "@" + CRLF
  std::int32_t EntryCount = 0;

  ScanCursor ExitLineScan;   // ExitRaw for carriage return
  std::string ExitList;      // "date    time" + CRLF per exit
  ScanCursor EntryLineScan;  // EntryRaw for carriage return
  std::string EntryList;     // "date    time" + CRLF per entry
};

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::int32_t kMaxPosition = 2147483647;

// Arms all five cursors, zeroes the three counts and empties EventList, ExitRaw and
// EntryRaw. Leaves FileText, the header fields, ExitList and EntryList alone.
void ResetState(ConversionState& state) noexcept;

// Start-up initialisation: ResetState, then FileText empty.
void InitialiseState(ConversionState& state) noexcept;

// --- Text primitives (1-based positions) ---

// Position of the first `marker` in `text` at or after `start`, 0 when there is none
// (also when `start` lies beyond the end). A start below 1 searches from position 1.
// Throws ConversionError 6 when the position found would pass 2147483647.
inline std::int32_t Find(std::string_view text, char marker, std::int64_t start);

// At most `length` characters of `text` from position `start`; fewer when the text ends
// first; empty when `start` lies beyond the end.
// Throws ConversionError 5 when `start` is below 1.
inline std::string_view Substring(std::string_view text, std::int64_t start, std::int64_t length);

// How many times `byte` occurs in `text`; sizes the lists before a scan fills them.
std::size_t CountByte(std::string_view text, char byte) noexcept;

// Plain decimal text, leading minus for negatives, no padding.
std::string Decimal(std::int64_t n);

// value + 1. Throws ConversionError 6 when value is already 2147483647.
inline std::int32_t Increment(std::int32_t value);

// --- Inline definitions: the scans call these once per record ---

inline std::int32_t Find(std::string_view text, char marker, std::int64_t start) {
  const std::int64_t from = start < 1 ? 0 : start - 1;
  if (from >= static_cast<std::int64_t>(text.size())) return 0;
  const std::size_t at = text.find(marker, static_cast<std::size_t>(from));
  if (at == std::string_view::npos) return 0;
  if (at >= static_cast<std::size_t>(kMaxPosition)) ThrowOverflow();
  return static_cast<std::int32_t>(at + 1);
}

inline std::string_view Substring(std::string_view text, std::int64_t start, std::int64_t length) {
  if (start < 1) ThrowInvalidArgument();
  const std::int64_t from = start - 1;
  if (from >= static_cast<std::int64_t>(text.size()) || length <= 0) return {};
  return text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(length));
}

inline std::int32_t Increment(std::int32_t value) {
  if (value >= kMaxPosition) ThrowOverflow();
  return value + 1;
}

}  // namespace tarvex

#include "conversion/event_scan.h"

#include <algorithm>

#include "base/conversion_error.h"

namespace tarvex {

namespace {

// Room for `line_size` characters per marker still ahead of the cursor, so a big download
// grows each list once instead of by repeated doubling.
void ReserveLines(std::string& list, std::string_view text, char marker, const ScanCursor& cursor,
                  std::size_t line_size) {
  const std::size_t from = static_cast<std::size_t>(std::max(cursor.start, 1) - 1);
  if (from >= text.size()) return;
  const std::size_t ahead = CountByte(text.substr(from), marker);
  list.reserve(list.size() + ahead * line_size);
}

// One line of a list: `payload` + CRLF, appended whole or not at all.
void AppendLine(std::string& list, std::string_view payload) {
  char line[16];
  const std::size_t size = std::min(payload.size(), sizeof line - kCrLf.size());
  std::copy_n(payload.data(), size, line);
  std::copy_n(kCrLf.data(), kCrLf.size(), line + size);
  list.append(line, size + kCrLf.size());
}

// The shape every scan shares: search `text` for `marker` from the cursor; on a hit
// append slice(p) + CRLF to `list`, count it and move past it; on a miss finish.
template <typename Slice>
void RunScan(std::string_view text, char marker, ScanCursor& cursor, std::string& list,
             std::int32_t& count, std::size_t line_size, Slice slice) {
  if (cursor.found == 0) return;
  WithMemoryFailure([&] {
    ReserveLines(list, text, marker, cursor, line_size);
    while (cursor.found != 0) {
      const std::int32_t p = Find(text, marker, cursor.start);
      if (p == 0) {
        cursor.found = 0;
        break;
      }
      const std::int32_t next_start = Increment(p);
      const std::int32_t next_count = Increment(count);
      AppendLine(list, slice(p));
      cursor.found = p;
      cursor.start = next_start;
      count = next_count;
    }
  });
}

// Exits and entries: the 8 characters before each marker in EventList.
void ScanDirection(const std::string& event_list, char marker, ScanCursor& cursor, std::string& raw,
                   std::int32_t& count) {
  RunScan(event_list, marker, cursor, raw, count, 10,
          [&](std::int32_t p) { return Substring(event_list, std::int64_t{p} - 8, 8); });
}

}  // namespace

void ScanEvents(ConversionState& state) {
  const std::string& text = state.FileText;
  RunScan(text, '$', state.EventScan, state.EventList, state.TotalCount, 11,
          [&](std::int32_t p) { return Substring(text, std::int64_t{p} + 1, 9); });
}

void ScanExits(ConversionState& state) {
  ScanDirection(state.EventList, '#', state.ExitScan, state.ExitRaw, state.ExitCount);
}

void ScanEntries(ConversionState& state) {
  ScanDirection(state.EventList, '@', state.EntryScan, state.EntryRaw, state.EntryCount);
}

}  // namespace tarvex

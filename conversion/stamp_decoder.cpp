// The entry and exit lists: one line per stamp (see stamp.cpp), "date" + four spaces + "time".
// A valid date is listed in the user's short-date form and a valid time in the long-time form;
// anything else (day 0, month 0 or above 12, a day past the month's end, hour above 23, minute
// or second above 59) is listed as composed: "0/0/1980", "24:60:62".

#include "conversion/stamp_decoder.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "base/conversion_error.h"
#include "conversion/stamp.h"

namespace tarvex {

namespace {

// The listed texts of stamps: valid dates and times through the formatter's kept renders;
// values that are not a valid date or time are listed as composed, which needs no render.
class StampTexts {
 public:
  explicit StampTexts(const RegionalFormatter& formatter) : formatter_(formatter) {}

  std::string_view Date(const Stamp& s) {
    return s.ValidDate() ? formatter_.CachedShortDate(s.Date())
                         : std::string_view(composed_date_ = s.DateText());
  }

  std::string_view Time(const Stamp& s) {
    return s.ValidTime() ? formatter_.CachedLongTime(s.Time())
                         : std::string_view(composed_time_ = s.TimeText());
  }

 private:
  const RegionalFormatter& formatter_;
  std::string composed_date_;
  std::string composed_time_;
};

// The line scan shared by exits and entries.
void BuildList(const std::string& raw, ScanCursor& cursor, std::string& list,
               const RegionalFormatter& formatter) {
  if (cursor.found == 0) return;
  WithMemoryFailure([&] {
    StampTexts cache(formatter);
    bool reserved = false;
    while (cursor.found != 0) {
      // Each raw line is a stamp of 8 characters and CRLF. A stamp cut from a short record
      // can hold a carriage return of its own, so the search for the one that ends the line
      // starts 8 characters on: one list line per raw line, never a line made of the halves
      // of two stamps.
      const std::int32_t n = Find(raw, '\r', std::int64_t{cursor.start} + 8);
      if (n == 0) {
        cursor.found = 0;
        break;
      }
      const std::int32_t next_start = Increment(n);
      const Stamp stamp = Stamp::Decode(Substring(raw, std::int64_t{n} - 8, 8));
      const std::string_view date = cache.Date(stamp);
      const std::string_view time = cache.Time(stamp);
      if (!reserved) {
        // Size the list once from the first line and the number of lines still to come.
        reserved = true;
        const std::size_t lines = CountByte(std::string_view(raw).substr(n - 1u), '\r');
        list.reserve(list.size() + static_cast<std::size_t>(lines) *
                                       (date.size() + time.size() + 4 + kCrLf.size()));
      }
      char line[64];
      if (date.size() + time.size() + 4 + kCrLf.size() <= sizeof line) {
        // One append per line: the line is in the list whole or not at all.
        char* end = std::copy(date.begin(), date.end(), line);
        end = std::copy_n("    ", 4, end);
        end = std::copy(time.begin(), time.end(), end);
        end = std::copy(kCrLf.begin(), kCrLf.end(), end);
        list.append(line, static_cast<std::size_t>(end - line));
      } else {
        list.append(std::string(date).append("    ").append(time).append(kCrLf));
      }
      cursor.found = n;
      cursor.start = next_start;
    }
  });
}

}  // namespace

void BuildExitList(ConversionState& state, const RegionalFormatter& formatter) {
  BuildList(state.ExitRaw, state.ExitLineScan, state.ExitList, formatter);
}

void BuildEntryList(ConversionState& state, const RegionalFormatter& formatter) {
  BuildList(state.EntryRaw, state.EntryLineScan, state.EntryList, formatter);
}

}  // namespace tarvex

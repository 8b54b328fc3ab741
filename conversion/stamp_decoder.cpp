// Decoding of the counter's event records.
//
// A download file is one line. After the first "&" comes the header, then any number of
// event records, each a "$", eight hexadecimal digits and a direction marker:
//
//   &000123xx07DDDDDDDDDDDDDDDDDDDD$3E654A3B@$3E655238#
//    |     | | |                   |        |
//    |     | | download date (20)  stamp    "@" entry, "#" exit
//    |     | serial number (2)
//    |     two characters not read
//    global counter (6)
//
// The stamp is an MS-DOS date word followed by an MS-DOS time word, each written most
// significant digit first:
//
//   digits  word  bits   field                 range
//   1-4     date  15-9   years since 1980      0-127 (1980-2107)
//   1-4     date   8-5   month                 0-15
//   1-4     date   4-0   day                   0-31
//   5-8     time  15-11  hour                  0-31
//   5-8     time  10-5   minute                0-63
//   5-8     time   4-0   second / 2            0-31 (seconds 0-62)
//
// The digits are read as six overlapping two-character slices x1..x6 at offsets 0, 1, 2,
// 4, 5 and 6 (each through HexByte, so a slice that is not hexadecimal still has a value):
//
//   year   = (x1 & 0xFE) / 2 + 1980     hour   = (x4 & 0xF8) / 8
//   month  = (x2 & 0x1E) / 2            minute = (x5 & 0x7E) / 2
//   day    =  x3 & 0x1F                 second = (x6 & 0x1F) * 2
//
// Worked sample, stamp 3E654A3B (date word 3E65, time word 4A3B):
//   x1 = 3E -> 0x3E & 0xFE = 62, / 2 = 31, + 1980 = 2011
//   x2 = E6 -> 0xE6 & 0x1E = 6,  / 2 = 3  (March)
//   x3 = 65 -> 0x65 & 0x1F = 5
//   x4 = 4A -> 0x4A & 0xF8 = 72, / 8 = 9
//   x5 = A3 -> 0xA3 & 0x7E = 34, / 2 = 17
//   x6 = 3B -> 0x3B & 0x1F = 27, * 2 = 54
// composed as "5/3/2011" and "9:17:54". A valid date is listed in the user's short-date
// form and a valid time in the long-time form; anything else (day 0, month 0 or above 12,
// a day past the month's end, hour above 23, minute or second above 59) is listed as
// composed. Stamp 00000000 gives "0/0/1980" (listed as is) and a valid 0:0:0.

#include "conversion/stamp_decoder.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "base/conversion_error.h"

namespace tarvex {

int HexByte(std::string_view slice) noexcept {
  int value = 0;
  for (const char c : slice) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      continue;
    } else {
      break;
    }
    value = value * 16 + digit;
  }
  return value;
}

namespace {

// Value of each byte as a hexadecimal digit, -1 for any other byte.
constexpr std::array<std::int8_t, 256> kHexDigit = [] {
  std::array<std::int8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[static_cast<std::size_t>(c)] =
        static_cast<std::int8_t>(c >= '0' && c <= '9'   ? c - '0'
                                 : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                 : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                        : -1);
  }
  return table;
}();

}  // namespace

PackedStamp PackedStamp::Decode(std::string_view digits) noexcept {
  // Eight hexadecimal digits (every well-formed record): the two words directly.
  if (digits.size() == 8) {
    std::uint32_t value = 0;
    bool all_hex = true;
    for (const char c : digits) {
      const std::int8_t digit = kHexDigit[static_cast<unsigned char>(c)];
      all_hex = all_hex && digit >= 0;
      value = (value << 4) | static_cast<std::uint32_t>(digit & 0xF);
    }
    if (all_hex) {
      const std::uint32_t date = value >> 16;
      const std::uint32_t time = value & 0xFFFF;
      PackedStamp stamp;
      stamp.Year = static_cast<std::int16_t>((date >> 9) + 1980);
      stamp.Month = static_cast<std::int16_t>((date >> 5) & 0xF);
      stamp.Day = static_cast<std::int16_t>(date & 0x1F);
      stamp.Hour = static_cast<std::int16_t>(time >> 11);
      stamp.Minute = static_cast<std::int16_t>((time >> 5) & 0x3F);
      stamp.Second = static_cast<std::int16_t>((time & 0x1F) * 2);
      return stamp;
    }
  }
  // Anything else: the six overlapping slices, each read as HexByte reads it.
  const auto x = [&](std::size_t offset) {
    return offset < digits.size() ? HexByte(digits.substr(offset, 2)) : 0;
  };
  PackedStamp stamp;
  stamp.Year = static_cast<std::int16_t>((x(0) & 0xFE) / 2 + 1980);
  stamp.Month = static_cast<std::int16_t>((x(1) & 0x1E) / 2);
  stamp.Day = static_cast<std::int16_t>(x(2) & 0x1F);
  stamp.Hour = static_cast<std::int16_t>((x(4) & 0xF8) / 8);
  stamp.Minute = static_cast<std::int16_t>((x(5) & 0x7E) / 2);
  stamp.Second = static_cast<std::int16_t>((x(6) & 0x1F) * 2);
  return stamp;
}

std::string PackedStamp::DateText() const {
  return Decimal(Day) + "/" + Decimal(Month) + "/" + Decimal(Year);
}

std::string PackedStamp::TimeText() const {
  return Decimal(Hour) + ":" + Decimal(Minute) + ":" + Decimal(Second);
}

std::optional<std::chrono::year_month_day> PackedStamp::ValidDate() const {
  const std::chrono::year_month_day date{std::chrono::year{Year},
                                         std::chrono::month{static_cast<unsigned>(Month)},
                                         std::chrono::day{static_cast<unsigned>(Day)}};
  if (!date.ok()) return std::nullopt;
  return date;
}

std::optional<TimeOfDay> PackedStamp::ValidTime() const {
  if (Hour > 23 || Minute > 59 || Second > 59) return std::nullopt;
  return TimeOfDay{std::chrono::hours{Hour} + std::chrono::minutes{Minute} +
                   std::chrono::seconds{Second}};
}

namespace {

// The listed texts of stamps: valid dates and times through the formatter's kept renders;
// values that are not a valid date or time are listed as composed, which needs no render.
class StampTexts {
 public:
  explicit StampTexts(const RegionalFormatter& formatter) : formatter_(formatter) {}

  std::string_view Date(const PackedStamp& s) {
    const auto date = s.ValidDate();
    return date ? formatter_.CachedShortDate(*date)
                : std::string_view(composed_date_ = s.DateText());
  }

  std::string_view Time(const PackedStamp& s) {
    const auto time = s.ValidTime();
    return time ? formatter_.CachedLongTime(*time)
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
      const PackedStamp stamp = PackedStamp::Decode(Substring(raw, std::int64_t{n} - 8, 8));
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

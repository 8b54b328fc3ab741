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

#include <chrono>
#include <memory>
#include <vector>

#include "conversion/conversion_error.h"

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

PackedStamp PackedStamp::Decode(std::string_view digits) noexcept {
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

std::string PackedStamp::RenderedDate(const RegionalFormatter& formatter) const {
  const std::chrono::year_month_day date{std::chrono::year{Year},
                                         std::chrono::month{static_cast<unsigned>(Month)},
                                         std::chrono::day{static_cast<unsigned>(Day)}};
  return date.ok() ? formatter.ShortDate(date) : DateText();
}

std::string PackedStamp::RenderedTime(const RegionalFormatter& formatter) const {
  if (Hour > 23 || Minute > 59 || Second > 59) return TimeText();
  return formatter.LongTime(TimeOfDay{std::chrono::hours{Hour} + std::chrono::minutes{Minute} +
                                      std::chrono::seconds{Second}});
}

namespace {

// Rendered texts by their packed key, filled on first use: a download holds few distinct
// days and seconds, so each is rendered once however many records share it.
class RenderCache {
 public:
  explicit RenderCache(const RegionalFormatter& formatter) : formatter_(formatter) {}

  const std::string& Date(const PackedStamp& s) {
    const auto key = static_cast<std::size_t>(((s.Year - 1980) << 9) | (s.Month << 5) | s.Day);
    return Lookup(dates_, key, [&] { return s.RenderedDate(formatter_); });
  }

  const std::string& Time(const PackedStamp& s) {
    const auto key = static_cast<std::size_t>((s.Hour << 11) | (s.Minute << 5) | (s.Second / 2));
    return Lookup(times_, key, [&] { return s.RenderedTime(formatter_); });
  }

 private:
  using Table = std::vector<std::unique_ptr<std::string>>;

  template <typename RenderFn>
  static const std::string& Lookup(Table& table, std::size_t key, RenderFn render) {
    if (table.empty()) table.resize(1 << 16);
    std::unique_ptr<std::string>& slot = table[key];
    if (!slot) slot = std::make_unique<std::string>(render());
    return *slot;
  }

  const RegionalFormatter& formatter_;
  Table dates_;
  Table times_;
};

// The line scan shared by exits and entries.
void BuildList(const std::string& raw, ScanCursor& cursor, std::string& list,
               const RegionalFormatter& formatter) {
  if (cursor.found == 0) return;
  WithMemoryFailure([&] {
    RenderCache cache(formatter);
    std::string line;
    while (cursor.found != 0) {
      const std::int32_t n = Find(raw, '\r', cursor.start);
      if (n == 0) {
        cursor.found = 0;
        break;
      }
      const std::int32_t next_start = Increment(n);
      const PackedStamp stamp = PackedStamp::Decode(Substring(raw, std::int64_t{n} - 8, 8));
      line.assign(cache.Date(stamp)).append("    ").append(cache.Time(stamp)).append(kCrLf);
      list.append(line);
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

// The counter's event records and the stamps they hold.
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
// composed as "5/3/2011" and "9:17:54". Stamp 00000000 gives "0/0/1980", not a valid date,
// and a valid 0:0:0.
//
// Eight hexadecimal digits are the two words themselves, so a well-formed stamp's 32 bits
// are its value; the slices give the same fields for those and a value for any other bytes.

#include "conversion/stamp.h"

#include <array>

#include "conversion/conversion_state.h"

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

// The 32 bits of fields each within its width.
constexpr std::uint32_t Pack(int years, int month, int day, int hour, int minute, int halves) {
  return static_cast<std::uint32_t>(years) << 25 | static_cast<std::uint32_t>(month) << 21 |
         static_cast<std::uint32_t>(day) << 16 | static_cast<std::uint32_t>(hour) << 11 |
         static_cast<std::uint32_t>(minute) << 5 | static_cast<std::uint32_t>(halves);
}

}  // namespace

Stamp Stamp::Decode(std::string_view digits) noexcept {
  // Eight hexadecimal digits (every well-formed record): the two words directly.
  if (digits.size() == 8) {
    std::uint32_t value = 0;
    bool all_hex = true;
    for (const char c : digits) {
      const std::int8_t digit = kHexDigit[static_cast<unsigned char>(c)];
      all_hex = all_hex && digit >= 0;
      value = (value << 4) | static_cast<std::uint32_t>(digit & 0xF);
    }
    if (all_hex) return Stamp(value);
  }
  // Anything else: the six overlapping slices, each read as HexByte reads it.
  const auto x = [&](std::size_t offset) {
    return offset < digits.size() ? HexByte(digits.substr(offset, 2)) : 0;
  };
  return Stamp(Pack((x(0) & 0xFE) / 2, (x(1) & 0x1E) / 2, x(2) & 0x1F, (x(4) & 0xF8) / 8,
                    (x(5) & 0x7E) / 2, x(6) & 0x1F));
}

std::optional<Stamp> Stamp::FromFields(int year, int month, int day, int hour, int minute,
                                       int second) noexcept {
  // Out of the fields' widths first; then the one rule on what fits.
  if (year < kFirstYear || year > kLastYear || month < 0 || month > 15 || day < 0 || day > 31 ||
      hour < 0 || hour > 31 || minute < 0 || minute > 63 || second < 0 || second > 63) {
    return std::nullopt;
  }
  const Stamp stamp(Pack(year - kFirstYear, month, day, hour, minute, second / 2));
  if (!stamp.Valid()) return std::nullopt;
  return stamp;
}

std::string Stamp::DateText() const {
  return Decimal(Day()) + "/" + Decimal(Month()) + "/" + Decimal(Year());
}

std::string Stamp::TimeText() const {
  return Decimal(Hour()) + ":" + Decimal(Minute()) + ":" + Decimal(Second());
}

}  // namespace tarvex

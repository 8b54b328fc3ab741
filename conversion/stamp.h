#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

using TimeOfDay = std::chrono::hh_mm_ss<std::chrono::seconds>;

// Value of a slice read as hexadecimal: leading hexadecimal digits (either case) count,
// spaces, tabs and line feeds are skipped, the first other character ends the number; a
// slice with no hexadecimal digit is 0.
int HexByte(std::string_view slice) noexcept;

// The date and time of a counter's stamp, decoded once (the layout is in stamp.cpp) and held
// in 32 bits as the counter writes them, most significant first: years since 1980 (7 bits),
// month (4), day (5), hour (5), minute (6), second / 2 (5). Any field may be out of range (a
// month 0 or 13, an hour 24, a minute 60, a second 60 or 62): the stamp is then not a valid
// date or time. The lists, the passages and the analysis all read stamps through this type.
class Stamp {
 public:
  // The years a stamp holds.
  static constexpr int kFirstYear = 1980;
  static constexpr int kLastYear = kFirstYear + 127;

  // 00000000: 0/0/1980 0:0:0.
  constexpr Stamp() = default;

  // `digits` holds the 8 characters of a stamp; any bytes are accepted, missing ones read as 0.
  static Stamp Decode(std::string_view digits) noexcept;

  // A valid date and time of the years a stamp holds, given field by field; with an odd
  // second it stands for the even second before it, as the counter would have recorded it,
  // so that a stamp's key is greater than its key exactly when the stamp is the later moment.
  // Nothing for what is not a valid date and time in kFirstYear-kLastYear.
  static std::optional<Stamp> FromFields(int year, int month, int day, int hour, int minute,
                                         int second) noexcept;

  int Year() const noexcept { return static_cast<int>(bits_ >> 25) + kFirstYear; }
  int Month() const noexcept { return static_cast<int>((bits_ >> 21) & 0xF); }
  int Day() const noexcept { return static_cast<int>((bits_ >> 16) & 0x1F); }
  int Hour() const noexcept { return static_cast<int>((bits_ >> 11) & 0x1F); }
  int Minute() const noexcept { return static_cast<int>((bits_ >> 5) & 0x3F); }
  int Second() const noexcept { return static_cast<int>(bits_ & 0x1F) * 2; }
  int SecondOfDay() const noexcept { return Hour() * 3600 + Minute() * 60 + Second(); }

  // A calendar date (day 1 to the month's last, month 1-12), and a time of day (hour 0-23,
  // minute and second 0-59): the rule for every list, table and check.
  bool ValidDate() const noexcept { return Date().ok(); }
  bool ValidTime() const noexcept { return Hour() <= 23 && Minute() <= 59 && Second() <= 59; }
  bool Valid() const noexcept { return ValidDate() && ValidTime(); }

  // The fields as a date, which is ok() only when ValidDate(); and as a time of day, for a
  // ValidTime() stamp only.
  std::chrono::year_month_day Date() const noexcept {
    return std::chrono::year_month_day{std::chrono::year{Year()},
                                       std::chrono::month{static_cast<unsigned>(Month())},
                                       std::chrono::day{static_cast<unsigned>(Day())}};
  }
  TimeOfDay Time() const noexcept { return TimeOfDay{std::chrono::seconds{SecondOfDay()}}; }

  // The composed texts: "day/month/year" and "hour:minute:second", no padding.
  std::string DateText() const;
  std::string TimeText() const;

  // Orders moments: of two valid stamps, the later has the greater key; of two stamps of the
  // same date, the same DayKey.
  std::uint32_t Key() const noexcept { return bits_; }
  std::uint32_t DayKey() const noexcept { return bits_ >> 16; }

  bool operator==(const Stamp&) const = default;

 private:
  explicit constexpr Stamp(std::uint32_t bits) : bits_(bits) {}
  std::uint32_t bits_ = 0;
};

}  // namespace tarvex

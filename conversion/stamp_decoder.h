#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/conversion_state.h"
#include "conversion/regional_format.h"

namespace tarvex {

// Value of a slice read as hexadecimal: leading hexadecimal digits (either case) count,
// spaces, tabs and line feeds are skipped, the first other character ends the number; a
// slice with no hexadecimal digit is 0.
int HexByte(std::string_view slice) noexcept;

// The date and time held by the eight characters of a stamp, decoded through six
// overlapping two-character slices (see the record layout in stamp_decoder.cpp).
struct PackedStamp {
  std::int16_t Year = 1980;  // 1980-2107
  std::int16_t Month = 0;    // 0-15
  std::int16_t Day = 0;      // 0-31
  std::int16_t Hour = 0;     // 0-31
  std::int16_t Minute = 0;   // 0-63
  std::int16_t Second = 0;   // 0-62, even

  // `digits` holds the 8 characters of a stamp; any bytes are accepted, missing ones read as 0.
  static PackedStamp Decode(std::string_view digits) noexcept;

  // The composed texts: "day/month/year" and "hour:minute:second", no padding.
  std::string DateText() const;
  std::string TimeText() const;

  // The values as a date and as a time of day when they are valid ones (listed in the
  // regional forms); nothing otherwise (listed as composed).
  std::optional<std::chrono::year_month_day> ValidDate() const;
  std::optional<TimeOfDay> ValidTime() const;
};

// The line scans of the Conversion command. ExitLineScan walks ExitRaw line by line (each
// line a stamp of 8 characters, then CRLF) and appends "date" + four spaces + "time" + CRLF
// to ExitList for each stamp, so ExitList has one line per exit; returns at once when the
// cursor is already finished.
// Throws ConversionError 6 on position overflow, 7 on exhausted memory.
void BuildExitList(ConversionState& state, const RegionalFormatter& formatter);

// The same over EntryRaw into EntryList, with EntryLineScan.
void BuildEntryList(ConversionState& state, const RegionalFormatter& formatter);

}  // namespace tarvex

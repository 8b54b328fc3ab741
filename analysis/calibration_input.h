#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "analysis/count_analysis.h"

namespace tarvex {

// The calibration of the occupancy as the user gives it (the command line's options, the
// Resumen window's fields): each value's range, said here only.
namespace calibration_range {
inline constexpr int kMinStart = 0;
inline constexpr int kMaxStart = 1000000;
inline constexpr int kMinCapacity = 1;
inline constexpr int kMaxCapacity = 1000000;
}  // namespace calibration_range

// A whole number written as plain digits, from `min` to `max`; nothing otherwise (a sign, a
// space, an empty text, a number out of the range).
std::optional<int> ReadWholeNumber(std::string_view text, int min, int max);

// A clock time written exactly as HH:MM, 00:00 to 23:59, in minutes from 00:00; nothing
// otherwise.
std::optional<int> ReadClockTime(std::string_view text);

// What a value must be, as the command line's mistakes say it: "un número entero de 1 a
// 1000000", "una hora HH:MM, de 00:00 a 23:59".
std::string WholeNumberRange(int min, int max);
inline constexpr std::string_view kClockTimeRange = "una hora HH:MM, de 00:00 a 23:59";

}  // namespace tarvex

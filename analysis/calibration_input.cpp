#include "analysis/calibration_input.h"

#include <algorithm>
#include <charconv>

namespace tarvex {

namespace {

bool Digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<int> ReadWholeNumber(std::string_view text, int min, int max) {
  if (!Digits(text)) return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::optional<int> ReadClockTime(std::string_view text) {
  if (text.size() != 5 || text[2] != ':') return std::nullopt;
  const std::optional<int> hours = ReadWholeNumber(text.substr(0, 2), 0, 23);
  const std::optional<int> minutes = ReadWholeNumber(text.substr(3, 2), 0, 59);
  if (!hours || !minutes) return std::nullopt;
  return *hours * 60 + *minutes;
}

std::string WholeNumberRange(int min, int max) {
  return "un número entero de " + std::to_string(min) + " a " + std::to_string(max);
}

}  // namespace tarvex

#include "conversion/conversion_state.h"

#include <algorithm>

#include "conversion/conversion_error.h"

namespace tarvex {

void ResetState(ConversionState& state) noexcept {
  for (ScanCursor* cursor : {&state.EventScan, &state.ExitScan, &state.EntryScan,
                             &state.ExitLineScan, &state.EntryLineScan}) {
    *cursor = ScanCursor{};
  }
  state.TotalCount = 0;
  state.ExitCount = 0;
  state.EntryCount = 0;
  // Give the memory back too: a previous file's lists may be large.
  std::string().swap(state.EventList);
  std::string().swap(state.ExitRaw);
  std::string().swap(state.EntryRaw);
}

void InitialiseState(ConversionState& state) noexcept {
  ResetState(state);
  std::string().swap(state.FileText);
}

std::int32_t Find(std::string_view text, char marker, std::int64_t start) {
  const std::int64_t from = std::max<std::int64_t>(start, 1) - 1;
  if (from >= static_cast<std::int64_t>(text.size())) return 0;
  const std::size_t at = text.find(marker, static_cast<std::size_t>(from));
  if (at == std::string_view::npos) return 0;
  if (at >= static_cast<std::size_t>(kMaxPosition)) throw ConversionError(failure::kOverflow);
  return static_cast<std::int32_t>(at + 1);
}

std::string_view Substring(std::string_view text, std::int64_t start, std::int64_t length) {
  if (start < 1) throw ConversionError(failure::kInvalidArgument);
  const std::int64_t from = start - 1;
  if (from >= static_cast<std::int64_t>(text.size()) || length <= 0) return {};
  return text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(length));
}

std::string Decimal(std::int64_t n) { return std::to_string(n); }

std::int32_t Increment(std::int32_t value) {
  if (value >= kMaxPosition) throw ConversionError(failure::kOverflow);
  return value + 1;
}

}  // namespace tarvex

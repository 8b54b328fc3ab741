#include "conversion/conversion_state.h"

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

std::size_t CountByte(std::string_view text, char byte) noexcept {
  // Blocks of a fixed 64 bytes, which the compiler turns into a few vector compares each;
  // a byte-at-a-time count takes several times as long on a large download.
  std::size_t count = 0;
  std::size_t i = 0;
  for (; i + 64 <= text.size(); i += 64) {
    unsigned block = 0;
    for (std::size_t j = 0; j < 64; ++j) block += text[i + j] == byte ? 1u : 0u;
    count += block;
  }
  for (; i < text.size(); ++i) count += text[i] == byte ? 1u : 0u;
  return count;
}

std::string Decimal(std::int64_t n) {
  return std::to_string(n);
}

}  // namespace tarvex

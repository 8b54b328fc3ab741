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

std::string Decimal(std::int64_t n) {
  return std::to_string(n);
}

}  // namespace tarvex

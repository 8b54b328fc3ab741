#pragma once

#include "conversion/conversion_state.h"

namespace tarvex {

// The three resumable scans of the Conversion command. Each runs its cursor to the end of
// its text in one call and returns at once, changing nothing, when the cursor is already
// finished. Each hit is recorded whole (line, count and cursor together), so a failure
// leaves the state as it was after the last complete hit.

// EventScan over FileText for "$": appends the (up to) 9 characters after each "$" plus
// CRLF to EventList and counts them in TotalCount.
// Throws ConversionError 6 on count or position overflow, 7 on exhausted memory.
void ScanEvents(ConversionState& state);

// ExitScan over EventList for "#": appends the 8 characters before each "#" plus CRLF to
// ExitRaw and counts them in ExitCount.
// Throws ConversionError 5 when a "#" stands at position 8 or lower of EventList (the
// first record is malformed), 6 on overflow, 7 on exhausted memory.
void ScanExits(ConversionState& state);

// EntryScan over EventList for "@", into EntryRaw and EntryCount; failures as ScanExits.
void ScanEntries(ConversionState& state);

}  // namespace tarvex

#pragma once

#include "conversion/conversion_state.h"
#include "conversion/regional_format.h"

namespace tarvex {

// The line scans of the Conversion command. ExitLineScan walks ExitRaw line by line (each
// line a stamp of 8 characters, then CRLF) and appends "date" + four spaces + "time" + CRLF
// to ExitList for each stamp, so ExitList has one line per exit; returns at once when the
// cursor is already finished.
// Throws ConversionError 6 on position overflow, 7 on exhausted memory.
void BuildExitList(ConversionState& state, const RegionalFormatter& formatter);

// The same over EntryRaw into EntryList, with EntryLineScan.
void BuildEntryList(ConversionState& state, const RegionalFormatter& formatter);

}  // namespace tarvex

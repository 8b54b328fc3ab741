#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "conversion/stamp.h"

namespace tarvex {

// One "$" record of a download, as the analysis of the counts takes it: where the record
// stands in the file text, and its stamp decoded, in 8 bytes. The record number is its place
// in the list, from 1; its direction is the ninth character after "$" ("@" entry, "#" exit,
// anything else none) and the stamp's characters the eight before that, read from the file
// text again when needed.
struct Passage {
  std::uint32_t offset;  // of its "$" in the file text
  Stamp stamp;           // decoded from the eight characters after it
};
static_assert(sizeof(Passage) == 8, "a million passages keep in 8 MB");

enum class Direction : std::uint8_t { kNone, kEntry, kExit };
Direction DirectionOf(std::string_view file_text, const Passage& passage);
// The eight characters of its stamp (fewer at the very end of the text).
std::string_view StampOf(std::string_view file_text, const Passage& passage);

// Every "$" record of `file_text`, in order. Throws ConversionError 6 past 2147483647 records
// or positions, 7 on exhausted memory.
std::vector<Passage> CollectPassages(std::string_view file_text);

}  // namespace tarvex

#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tarvex {

// One "$" record of a download, as the analysis of the counts takes it: where the record
// stands in the file text, and the date and time its stamp decodes to, in 8 bytes. The record
// number is its place in the list, from 1; its direction is the ninth character after "$"
// ("@" entry, "#" exit, anything else none) and its stamp the eight before that, read from the
// file text again when needed.
struct Passage {
  std::uint32_t offset;  // of its "$" in the file text
  std::uint32_t when;    // the decoded fields, packed so that later moments compare greater
};

// The packing of `when`, most significant first: years since 1980 (7 bits), month (4), day
// (5), hour (5), minute (6), second / 2 (5), as the lists decode them (any of them may be out
// of range: the stamp is then not a valid date or time).
struct When {
  int year, month, day, hour, minute, second;
  static When Of(std::uint32_t packed);
  bool ValidDate() const;
  bool ValidTime() const;
  bool Valid() const { return ValidDate() && ValidTime(); }
  int SecondOfDay() const { return hour * 3600 + minute * 60 + second; }
};

enum class Direction : std::uint8_t { kNone, kEntry, kExit };
Direction DirectionOf(std::string_view file_text, const Passage& passage);
// The eight characters of its stamp (fewer at the very end of the text).
std::string_view StampOf(std::string_view file_text, const Passage& passage);

// Every "$" record of `file_text`, in order. Throws ConversionError 6 past 2147483647 records
// or positions, 7 on exhausted memory.
std::vector<Passage> CollectPassages(std::string_view file_text);

}  // namespace tarvex

// What both fuzz targets share: the two entry points (the replay program calls both), the
// check that stops the run, and Open and Conversion of arbitrary bytes with what must hold
// after each.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/conversion_error.h"
#include "conversion/conversion_session.h"

namespace tarvex::fuzz {

// The whole conversion, its analysis and every output format, in memory.
void FuzzDownload(const std::uint8_t* data, std::size_t size);
// The file-level path: the download read from a file on disk, Save and the whole appends.
void FuzzSave(const std::uint8_t* data, std::size_t size);

[[noreturn]] inline void Broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void Check(bool holds, const char* what) {
  if (!holds) Broken(what);
}

inline std::size_t Lines(const std::string& list) {
  return static_cast<std::size_t>(std::count(list.begin(), list.end(), '\n'));
}

// Open of `download`, which holds `size` bytes: only an empty file fails, and the header
// fields keep their lengths. False when it failed.
inline bool OpenChecked(ConversionSession& session, const std::filesystem::path& download,
                        std::size_t size) {
  try {
    session.Open(download);
  } catch (const ConversionError& e) {
    Check(e.Number() == failure::kInputPastEnd && size == 0, "only an empty file fails to read");
    return false;
  }
  const ConversionState& state = session.State();
  Check(state.GlobalCounter.size() <= 6 && state.SerialNumber.size() <= 2 &&
            state.DownloadDate.size() <= 20,
        "header fields within their lengths");
  return true;
}

// Conversion after a successful Open: a result or one of the numbered failures; after a
// result the state holds together, and a second Conversion changes nothing. False when it
// failed.
inline bool ConvertChecked(ConversionSession& session, const RegionalFormatter& formatter) {
  const ConversionState& state = session.State();
  try {
    session.Convert(formatter);
  } catch (const ConversionError& e) {
    Check(std::find(failure::kAll.begin(), failure::kAll.end(), e.Number()) != failure::kAll.end(),
          "a numbered failure");
    return false;
  }
  Check(state.FileText.find_first_of("\r\n") == std::string::npos, "one line read");
  Check(state.EventList.empty() && state.ExitRaw.empty() && state.EntryRaw.empty(),
        "working texts given back");
  Check(static_cast<std::size_t>(state.ExitCount) == Lines(state.ExitList), "exits = lines");
  Check(static_cast<std::size_t>(state.EntryCount) == Lines(state.EntryList), "entries = lines");
  for (const std::string* list : {&state.ExitList, &state.EntryList}) {
    Check(list->empty() || (list->size() >= 2 && list->compare(list->size() - 2, 2, "\r\n") == 0),
          "every list empty or ending in CRLF");
  }
  // What the first one gave, kept in buffers that keep their memory from input to input.
  static std::string exits, entries;
  exits.assign(state.ExitList);
  entries.assign(state.EntryList);
  const auto total = state.TotalCount;
  session.Convert(formatter);
  Check(state.ExitList == exits && state.EntryList == entries && state.TotalCount == total,
        "a second conversion changes nothing");
  return true;
}

}  // namespace tarvex::fuzz

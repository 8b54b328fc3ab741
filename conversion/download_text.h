#pragma once

#include <string_view>

#include "conversion/conversion_state.h"
#include "conversion/regional_format.h"

namespace tarvex {

// What a download holds and how it is converted, over bytes already in memory: the rules the
// file reader, the session and the browser page share. No file is touched here.

// The first field of a download: the bytes from its start up to, not including, the first
// comma, carriage return or line feed, or its end. A field that begins with a double quote is
// taken without its quotes, up to the closing quote (or the end of the line when the quote is
// never closed). Fed the download's bytes in order, a piece at a time.
class FirstField {
 public:
  // Of the next `bytes` of the download, the ones that belong to the field. Once Complete(),
  // nothing more belongs to it.
  std::string_view Take(std::string_view bytes) noexcept;
  bool Complete() const noexcept { return complete_; }

 private:
  bool started_ = false;
  bool quoted_ = false;
  bool complete_ = false;
};

// Cuts the header fields out of FileText: HeaderPosText is the decimal position p of the
// first "&" ("0" when there is none), GlobalCounter the 6 characters from p + 1,
// SerialNumber the 2 from p + 9, DownloadDate the 20 from p + 11 (shorter or empty near the
// end of the text). Cannot fail except by exhausted memory (7).
void ParseHeader(ConversionState& state);

// Open over a whole download held in memory: FileText its first field, the scans armed, the
// header cut. On failure the state is as it was.
// Throws ConversionError 62 for no bytes, 7 when the field does not fit in memory or exceeds
// 2147483647 characters.
void OpenDownloadText(ConversionState& state, std::string_view download);

// Conversion: the three record scans and the two timestamp lists, rendered by `formatter`,
// each working text released as soon as the steps that read it are done, so a big download
// never holds them beside both finished lists. On failure the state stays as it was at the
// failure. Throws ConversionError 5, 6 or 7 (see the scans).
void ConvertDownload(ConversionState& state, const RegionalFormatter& formatter);

// Empties `text` and gives its memory back.
inline void Release(std::string& text) noexcept {
  std::string().swap(text);
}

}  // namespace tarvex

#pragma once

#include <QFont>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarvex {

// Where a read-only QPlainTextEdit with word wrap at the widget's width breaks a line of text
// in the code page into rows, found without laying the text out through Qt, so that a 10 MB
// line or a million lines are indexed in one pass.
//
// Qt's rules, as its text layout applies them: a row ends at the last break opportunity of
// Unicode line breaking (with Qt's treatment of numbers: "28/02/2024    17:54:46" is one
// unbreakable number) that fits; a row whose first word does not fit is broken anywhere
// instead; spaces at the end of a row hang past its edge; the ink of a row's last glyph past
// its advance (a negative right bearing) must fit too; a tab reaches the next 80-pixel stop
// from the row's start. Widths are in 1/64 pixel, as Qt's layout keeps them, from tables of
// the 256 characters in the font, so they add up exactly as Qt's do for a font without
// kerning or ligatures (the text boxes ask for no shaping).
class RowBreaker {
 public:
  static constexpr std::int32_t kUnit = 64;  // widths are in 1/64 pixel

  explicit RowBreaker(const QFont& font);

  // Appends to `starts` the start of every row of `line` after its first, as offsets from
  // the line's start plus `offset`; `width` is the room of a row (1/64 pixel).
  void Break(std::string_view line, std::size_t offset, std::int64_t width,
             std::vector<std::size_t>& starts) const;

  // The width of the first `count` characters of `row`, tabs included (1/64 pixel).
  std::int64_t Width(std::string_view row, std::size_t count) const;

  // True when `line` surely fits one row of `width`, known by a sum alone: no tab, a soft
  // hyphen counted as shown, room left for the font's widest overhang. A list line usually
  // does, so a million of them are indexed at the speed of a sum.
  bool SurelyFits(std::string_view line, std::int64_t width) const {
    std::int64_t sum = widest_overhang_;
    for (const char c : line) sum += fit_advance_[static_cast<unsigned char>(c)];
    return sum <= width;
  }

 private:
  struct Row;
  static constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);
  void MarkBreaks(std::string_view line, std::size_t from) const;
  bool BreakAt(std::string_view line, std::size_t i) const;  // a break opportunity before i
  std::size_t QuietRow(std::string_view line, std::size_t from, std::int64_t width) const;
  std::size_t LayOutRow(std::string_view line, std::size_t from, std::int64_t width,
                        bool anywhere) const;

  std::array<std::int32_t, 256> advance_{};
  std::array<std::int32_t, 256> fit_advance_{};  // for SurelyFits: the most each may take
  std::array<std::int32_t, 256> overhang_{};     // ink past the advance: -(negative right bearing)
  std::int32_t widest_overhang_ = 0;             // the font's largest
  std::int32_t soft_hyphen_ = 0;                 // a soft hyphen where a row breaks after it
  // The break opportunities marked last: breaks_[i - lo] for positions lo <= i < hi of line.
  struct Window {
    const char* line = nullptr;
    std::size_t lo = 0;
    std::size_t hi = 0;
  };
  mutable Window window_;
  mutable std::vector<std::uint8_t> breaks_;
};

}  // namespace tarvex

#include "textbox/row_breaker.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "base/code_page.h"

namespace tarvex {

namespace {

// Unicode line-breaking classes of the code page's characters (those it has).
enum Lb : std::uint8_t {
  OP,  // opening punctuation
  CL,  // closing punctuation
  CP,  // closing parenthesis
  QU,  // quotation
  GL,  // non-breaking ("glue")
  EX,  // exclamation, interrogation
  SY,  // slash
  IS,  // numeric separator
  PR,  // prefix numeric
  PO,  // postfix numeric
  NU,  // digits
  AL,  // letters and other symbols
  IN,  // ellipsis
  HY,  // hyphen
  BA,  // break after (tab, bar, en dash, soft hyphen)
  BB,  // break before
  B2,  // em dash
  CM,  // control characters: attached to what precedes them
  SP,  // space
  BK,  // line or page feed
};

constexpr std::array<Lb, 256> kClasses = [] {
  std::array<Lb, 256> c{};
  for (int b = 0; b < 256; ++b) c[static_cast<std::size_t>(b)] = AL;
  for (int b = 0; b < 0x20; ++b) c[static_cast<std::size_t>(b)] = CM;
  for (int b = '0'; b <= '9'; ++b) c[static_cast<std::size_t>(b)] = NU;
  const std::pair<unsigned char, Lb> others[] = {
      {0x09, BA}, {0x0B, BK}, {0x0C, BK}, {' ', SP},  {'!', EX},  {'"', QU},  {'$', PR},
      {'%', PO},  {'\'', QU}, {'(', OP},  {')', CP},  {'+', PR},  {',', IS},  {'-', HY},
      {'.', IS},  {'/', SY},  {':', IS},  {';', IS},  {'?', EX},  {'[', OP},  {'\\', PR},
      {']', CP},  {'{', OP},  {'|', BA},  {'}', CL},  {0x7F, CM}, {0x80, PR}, {0x81, CM},
      {0x82, OP}, {0x84, OP}, {0x85, IN}, {0x89, PO}, {0x8B, QU}, {0x8D, CM}, {0x8F, CM},
      {0x90, CM}, {0x91, QU}, {0x92, QU}, {0x93, QU}, {0x94, QU}, {0x96, BA}, {0x97, B2},
      {0x9B, QU}, {0x9D, CM}, {0xA0, GL}, {0xA1, OP}, {0xA2, PO}, {0xA3, PR}, {0xA4, PR},
      {0xA5, PR}, {0xAB, QU}, {0xAD, BA}, {0xB0, PO}, {0xB1, PR}, {0xB4, BB}, {0xBB, QU},
      {0xBF, OP}};
  for (const auto& [byte, lb] : others) c[byte] = lb;
  return c;
}();

// Math symbols among the letters: in a number they separate, as "/" does.
constexpr bool IsMathSymbol(unsigned char b) {
  return b == '<' || b == '=' || b == '>' || b == '~' || b == 0xAC || b == 0xD7 || b == 0xF7;
}

// Characters among which no break opportunity can arise, spaces aside: letters and digits
// (1), and numeric prefixes and postfixes (2) when no two of them stand together.
constexpr std::array<std::uint8_t, 256> kQuiet = [] {
  std::array<std::uint8_t, 256> q{};
  for (int b = 0; b < 256; ++b) {
    const Lb lb = kClasses[static_cast<std::size_t>(b)];
    const bool letter = lb == AL && !IsMathSymbol(static_cast<unsigned char>(b));
    q[static_cast<std::size_t>(b)] = letter || lb == NU ? 1 : lb == PR || lb == PO ? 2 : 0;
  }
  return q;
}();

// What may stand between two characters of these classes, spaces aside.
enum class Between : std::uint8_t {
  kBreak,        // a break opportunity
  kAfterSpaces,  // one only when spaces come between
  kNever,        // none, spaces or not
  kMark,         // a control character: attached, or after spaces a break opportunity
  kMarkNever,    // a control character after an opening: attached, never a break
};

constexpr Between Decide(Lb before, Lb after) {
  if (after == CL || after == CP || after == EX || after == IS || after == SY) {
    return Between::kNever;
  }
  if (before == OP) return after == CM ? Between::kMarkNever : Between::kNever;
  if (after == CM) return Between::kMark;
  if ((before == QU && after == OP) || (before == B2 && after == B2)) return Between::kNever;
  if ((before == HY || before == BA) &&
      (after == GL || after == OP || after == PR || after == PO || after == AL || after == BB ||
       after == B2 || (before == BA && after == NU))) {
    return Between::kBreak;
  }
  if (before == QU || before == GL || before == BB || after == QU || after == GL || after == IN ||
      after == HY || after == BA) {
    return Between::kAfterSpaces;
  }
  const auto is = [&](Lb a, Lb b) { return before == a && after == b; };
  const bool letter_or_digit = before == AL || before == NU;
  if ((letter_or_digit &&
       (after == NU || after == AL || after == PR || after == PO || after == OP)) ||
      ((before == PR || before == PO) && (after == NU || after == AL)) || is(HY, NU) ||
      is(IS, AL) || (before == CP && (after == AL || after == NU))) {
    return Between::kAfterSpaces;
  }
  return Between::kBreak;
}

// Numbers are kept whole: "(PR|PO)? (OP|HY)? NU (NU|SY|IS)* (CL|CP)? (PR|PO)?" has no break
// opportunity inside it, whatever spaces it holds.
enum class Num : std::uint8_t { kOutside, kPrefix, kOpening, kDigits, kSeparator, kClosing };

constexpr Num NumberPart(Lb lb, unsigned char byte) {
  switch (lb) {
    case PR:
    case PO:
      return Num::kPrefix;
    case OP:
    case HY:
      return Num::kOpening;
    case NU:
      return Num::kDigits;
    case SY:
    case IS:
      return Num::kSeparator;
    case CL:
    case CP:
      return Num::kClosing;
    case AL:
      return IsMathSymbol(byte) ? Num::kSeparator : Num::kOutside;
    default:
      return Num::kOutside;
  }
}

// What a number that has reached `last` does at a part `next`: nothing is one (or this one is
// given up), one starts here, it goes on, or it ends (its inside then has no break
// opportunity).
enum class Step : std::uint8_t { kNone, kStart, kGoOn, kEnd };

constexpr Step NumberStep(Num last, Num next) {
  switch (last) {
    case Num::kOutside:
      return next == Num::kPrefix || next == Num::kOpening || next == Num::kDigits ? Step::kStart
                                                                                   : Step::kNone;
    case Num::kPrefix:
      return next == Num::kPrefix                            ? Step::kStart
             : next == Num::kOpening || next == Num::kDigits ? Step::kGoOn
                                                             : Step::kNone;
    case Num::kOpening:
      return next == Num::kPrefix || next == Num::kOpening ? Step::kStart
             : next == Num::kDigits                        ? Step::kGoOn
                                                           : Step::kNone;
    case Num::kDigits:
    case Num::kSeparator:
      return next == Num::kDigits || next == Num::kSeparator || next == Num::kClosing ? Step::kGoOn
                                                                                      : Step::kEnd;
    case Num::kClosing:
      return next == Num::kPrefix ? Step::kGoOn : Step::kEnd;
  }
  return Step::kNone;
}

// The spaces of the layout: they hang at the end of a row. A no-break space is not one.
constexpr bool IsSpace(unsigned char b) {
  return (b >= 0x09 && b <= 0x0D) || b == ' ';
}

constexpr unsigned char kSoftHyphen = 0xAD;
constexpr std::int64_t kTabStop = 80 * RowBreaker::kUnit;

// The room a tab takes at `x`: to the next stop, where x / stop is rounded to 1/64 first (so a
// tab within 0.625 pixel of a stop goes on to the one after), as Qt's layout reckons it.
constexpr std::int64_t TabWidth(std::int64_t x) {
  const std::int64_t stops = (x * RowBreaker::kUnit + kTabStop / 2) / kTabStop / RowBreaker::kUnit;
  return (stops + 1) * kTabStop - x;
}

std::int32_t Units(qreal pixels) {
  return static_cast<std::int32_t>(std::lround(pixels * RowBreaker::kUnit));
}

}  // namespace

RowBreaker::RowBreaker(const QFont& font) {
  // Each advance as Qt's layout measures the character in this font.
  QTextLayout layout;
  layout.setFont(font);
  const QFontMetricsF metrics(font);
  for (int b = 0; b < 256; ++b) {
    const QChar c(static_cast<char16_t>(FromWindows1252(static_cast<unsigned char>(b))));
    layout.setText(QString(c));
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    advance_[static_cast<std::size_t>(b)] = Units(line.horizontalAdvance());
    overhang_[static_cast<std::size_t>(b)] = std::max(0, -Units(metrics.rightBearing(c)));
  }
  widest_overhang_ = std::max(0, -Units(metrics.minRightBearing()));
  // A soft hyphen takes no room inside a row; only where a row breaks after it is it shown.
  soft_hyphen_ = advance_[kSoftHyphen];
  advance_[kSoftHyphen] = 0;
  fit_advance_ = advance_;
  fit_advance_[kSoftHyphen] = soft_hyphen_;
  fit_advance_['\t'] = 1 << 24;  // a tab's room depends on where it stands
}

// Marks the break opportunities of `line` from a little before `from` to a little after:
// from the last place before it where the rules start afresh (the line's start, or just after
// a letter: no number is open there) to where no number is open any more past kWindow.
void RowBreaker::MarkBreaks(std::string_view line, std::size_t from) const {
  constexpr std::size_t kWindow = 8192;
  constexpr std::size_t kLookBack = 1024;
  const std::size_t n = line.size();
  std::size_t lo = from;
  const auto fresh = [&](std::size_t i) {
    const auto lb = [&](std::size_t k) { return kClasses[static_cast<unsigned char>(line[k])]; };
    return i == 0 || (lb(i - 1) == AL && kQuiet[static_cast<unsigned char>(line[i - 1])] == 1 &&
                      (i == 1 || lb(i - 2) != BK));
  };
  while (!fresh(lo) && from - lo < kLookBack) --lo;
  if (!fresh(lo)) lo = 0;
  Lb before = lo == 0 ? BK : AL;  // the last class that is neither a space nor attached
  Lb previous = before;           // the class just before, whatever it is
  Num number = Num::kOutside;
  std::size_t number_start = lo;
  breaks_.assign(std::min(n, from + kWindow) - lo + 1, 0);
  const auto mark = [&](std::size_t i) -> std::uint8_t& {
    if (i - lo >= breaks_.size()) breaks_.resize(i - lo + 1, 0);
    return breaks_[i - lo];
  };
  std::size_t i = lo;
  for (; i < n && (i < from + kWindow || number != Num::kOutside); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    const Lb now = kClasses[byte];
    if (previous == BK) {  // the line's start, or after a line or page feed
      mark(i) = 1;
      before = now == CM ? AL : now;
      previous = now;
      continue;
    }
    if (now == SP) {
      previous = now;
      continue;
    }
    if (now == BK) {
      before = previous = now;
      continue;
    }
    if (now == CM && previous != SP) {  // attached to the character before
      previous = now;
      continue;
    }
    const Num part = NumberPart(now, byte);
    switch (NumberStep(number, part)) {
      case Step::kEnd:
        std::fill(breaks_.begin() + static_cast<std::ptrdiff_t>(number_start - lo) + 1,
                  breaks_.begin() + static_cast<std::ptrdiff_t>(i - lo), 0);
        [[fallthrough]];
      case Step::kNone:
        number = Num::kOutside;
        break;
      case Step::kStart:
        number_start = i;
        [[fallthrough]];
      case Step::kGoOn:
        number = part;
        break;
    }
    const Lb from_class = before == CM || before == SP || before == BK ? AL : before;
    const Between between = Decide(from_class, now);
    switch (between) {
      case Between::kBreak:
        mark(i) = 1;
        break;
      case Between::kAfterSpaces:
        mark(i) = previous == SP ? 1 : 0;
        break;
      case Between::kMark:
      case Between::kMarkNever:
        if (previous != SP) {
          previous = now;
          continue;
        }
        mark(i) = between == Between::kMark ? 1 : 0;
        break;
      case Between::kNever:
        break;
    }
    before = previous = now;
  }
  if (i == n && NumberStep(number, Num::kOutside) == Step::kEnd) {
    std::fill(breaks_.begin() + static_cast<std::ptrdiff_t>(number_start - lo) + 1,
              breaks_.begin() + static_cast<std::ptrdiff_t>(n - lo), 0);
  }
  mark(i);
  window_ = {line.data(), lo, i};
}

bool RowBreaker::BreakAt(std::string_view line, std::size_t i) const {
  if (i == 0) return false;  // never before the first character
  if (i >= line.size()) return true;
  if (window_.line != line.data() || i < window_.lo || i >= window_.hi) MarkBreaks(line, i);
  return breaks_[i - window_.lo] != 0;
}

std::size_t RowBreaker::QuietRow(std::string_view line, std::size_t from,
                                 std::int64_t width) const {
  std::int64_t sum = 0;
  std::size_t end = 0;
  bool prefix = false;
  for (std::size_t k = from; k < line.size(); ++k) {
    const auto byte = static_cast<unsigned char>(line[k]);
    const std::uint8_t quiet = kQuiet[byte];
    if (quiet == 0 || (quiet == 2 && prefix)) return kNoRow;
    prefix = quiet == 2;
    sum += advance_[byte];
    // A character is taken when it fits with its glyph's ink; the first always is.
    if (end == 0 && k > from && sum + overhang_[byte] > width) end = k;
    if (sum > width) {
      if (end != 0) return end;
      // The first character alone: spaces after it would hang on its row.
      return k + 1 < line.size() && kQuiet[static_cast<unsigned char>(line[k + 1])] != 0 ? k + 1
                                                                                         : kNoRow;
    }
  }
  return kNoRow;
}

// A run of characters being fitted into a row: its width and length.
struct RowBreaker::Row {
  std::int64_t width = 0;
  std::size_t length = 0;
};

// The end of the row that starts at `from`: after the last break opportunity that fits, or,
// `anywhere`, after the last character that fits; with its hanging spaces.
std::size_t RowBreaker::LayOutRow(std::string_view line, std::size_t from, std::int64_t width,
                                  bool anywhere) const {
  constexpr std::int64_t kUnknown = -1;
  const std::size_t n = line.size();
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(line[i]); };
  // A soft hyphen takes room only where it is shown: at the end of a row or of the line.
  const auto advance = [&](std::size_t i) {
    return at(i) == kSoftHyphen && i + 1 == n ? soft_hyphen_ : advance_[at(i)];
  };
  // The overhang of the glyph that ends before `i`.
  const auto overhang_before = [&](std::size_t i) -> std::int64_t {
    return i > 0 ? overhang_[at(i - 1)] : 0;
  };
  Row row, word, spaces;
  std::int64_t overhang = kUnknown;  // of the row's last glyph, once needed
  std::int64_t soft_hyphen = 0;
  bool ends_in_space = true;
  std::size_t pos = from;
  // Takes the word and the spaces before it into the row; false, taking nothing, when they
  // do not fit (a row always takes its first word).
  const auto take = [&] {
    const std::int64_t needed =
        row.width + word.width + spaces.width + soft_hyphen + (overhang == kUnknown ? 0 : overhang);
    if (row.length > 0 && needed > width) return false;
    row.width += word.width + spaces.width;
    row.length += word.length + spaces.length;
    word = spaces = Row{};
    return true;
  };
  while (pos < n) {
    overhang = kUnknown;
    soft_hyphen = 0;
    const unsigned char c = at(pos);
    if (c == '\t') {
      ends_in_space = true;
      if (!take()) goto found;
      const std::int64_t x = row.width + word.width + spaces.width;
      spaces.width += TabWidth(x);
      ++spaces.length;
      ++pos;
      if (!take()) goto found;
    } else if (IsSpace(c)) {
      ends_in_space = true;
      while (pos < n && IsSpace(at(pos)) && at(pos) != '\t') {
        spaces.width += advance(pos);
        ++spaces.length;
        ++pos;
      }
      if (spaces.width > width) goto found;  // spaces wider than a row end it
    } else {
      ends_in_space = false;
      const std::size_t word_start = pos;
      bool at_opportunity = false;
      do {
        word.width += advance(pos);
        ++word.length;
        ++pos;
        // A first word wider than the row makes it a row broken anywhere: known now, not at
        // the word's end, which may be megabytes on.
        if (!anywhere && row.length == 0 && word.width > width) {
          return LayOutRow(line, from, width, true);
        }
        // A later word that no longer fits will not: the row ends before it.
        if (!anywhere && row.length > 0 && row.width + spaces.width + word.width > width) {
          overhang = overhang_before(word_start);
          goto found;
        }
        if (pos >= n || IsSpace(at(pos)) || BreakAt(line, pos)) {
          at_opportunity = true;
          break;
        }
      } while (!anywhere);
      // A row may end after a soft hyphen (or where a tab follows it): then it is shown.
      if (pos < n && (at(pos) == '\t' || BreakAt(line, pos)) && at(pos - 1) == kSoftHyphen) {
        if (row.length > 0) {
          soft_hyphen = soft_hyphen_;
        } else if (anywhere) {
          word.width += soft_hyphen_;
        }
      }
      if (at_opportunity || anywhere) {
        if (row.width + word.width + spaces.width + soft_hyphen + widest_overhang_ > width) {
          overhang = overhang_before(pos);
        }
        if (!take()) {
          // The row ends before this word: its last glyph is the one before the word.
          overhang = overhang_before(word_start);
          goto found;
        }
      }
    }
  }
  take();
found:
  if (overhang == kUnknown && !ends_in_space) overhang = overhang_before(pos);
  row.width += overhang == kUnknown ? 0 : overhang;
  if (row.length == 0) {
    row.width += word.width;
    row.length = word.length;
  }
  if (row.length > 0 && advance(from + row.length - 1) == 0 &&
      at(from + row.length - 1) == kSoftHyphen) {
    row.width += soft_hyphen_;
  }
  if (!anywhere && row.width > width) return LayOutRow(line, from, width, true);
  return from + row.length + spaces.length;
}

void RowBreaker::Break(std::string_view line, std::size_t offset, std::int64_t width,
                       std::vector<std::size_t>& starts) const {
  window_ = {};
  for (std::size_t from = 0;;) {
    std::size_t end = QuietRow(line, from, width);
    if (end == kNoRow) end = LayOutRow(line, from, width, false);
    if (end >= line.size()) break;
    starts.push_back(offset + end);
    from = end;
  }
}

std::int64_t RowBreaker::Width(std::string_view row, std::size_t count) const {
  std::int64_t x = 0;
  for (std::size_t i = 0; i < std::min(count, row.size()); ++i) {
    const auto c = static_cast<unsigned char>(row[i]);
    x += c == '\t' ? TabWidth(x) : advance_[c];
  }
  return x;
}

}  // namespace tarvex

#include "base/shown_name.h"

namespace tarvex {

namespace {

// The length of the character at the start of `rest` when it is valid UTF-8 (shortest form,
// no surrogate, at most U+10FFFF); 0 for a byte that begins no valid one.
std::size_t Utf8Length(std::string_view rest) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  const std::size_t length = lead >= 0xF5   ? 0
                             : lead >= 0xF0 ? 4
                             : lead >= 0xE0 ? 3
                             : lead >= 0xC2 ? 2
                                            : 0;
  if (length == 0 || length > rest.size()) return 0;
  char32_t code = lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3Fu);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};  // shorter forms are not valid
  const bool valid = code >= kLeast[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
  return valid ? length : 0;
}

// Whether the character `code` is a control character to people: C0,
// DEL, C1, or one of the marks that change the direction text is read in (embeddings,
// overrides, isolates and the marks left-to-right, right-to-left and Arabic letter).
bool IsControl(char32_t code) {
  return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
         code == 0x200F || (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

// The character at the start of `rest`, valid UTF-8 of `length` bytes (see Utf8Length).
char32_t CodeOf(std::string_view rest, std::size_t length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
  char32_t code = length == 1 ? byte(0) : byte(0) & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) code = (code << 6) | (byte(i) & 0x3Fu);
  return code;
}

// The length of the character at the start of `rest` when it is valid UTF-8 and not a control
// character (see IsControl); 0 otherwise.
std::size_t PrintableLength(std::string_view rest) {
  const std::size_t length = Utf8Length(rest);
  return length > 0 && !IsControl(CodeOf(rest, length)) ? length : 0;
}

// A byte inside $'...': a letter escape where the shell has one, else three octal digits.
std::string Escaped(unsigned char c) {
  constexpr std::string_view kLetters = "abtnvfr";  // bytes 7 to 13
  if (c >= 7 && c <= 13) return {'\\', kLetters[c - 7u]};
  return {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
          static_cast<char>('0' + (c & 7))};
}

}  // namespace

std::string ShownName(std::string_view name) {
  enum class Open { kNothing, kQuote, kEscape };  // outside quotes, in '...', in $'...'
  std::string shown;
  bool odd = false;
  Open open = Open::kNothing;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t length = PrintableLength(name.substr(i));
    if (length > 0) {
      if (open != Open::kQuote) shown += open == Open::kEscape ? "''" : "'";
      open = Open::kQuote;
      shown += name[i] == '\'' ? std::string_view("'\\''") : name.substr(i, length);
      i += length;
    } else {
      odd = true;
      if (open != Open::kEscape) shown += open == Open::kQuote ? "'$'" : "$'";
      open = Open::kEscape;
      shown += Escaped(static_cast<unsigned char>(name[i++]));
    }
  }
  if (!odd) return std::string(name);
  return open == Open::kNothing ? shown : shown + "'";
}

std::string ShownOnTerminal(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  bool open = false;  // in $'...'
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t valid = Utf8Length(text.substr(i));
    const std::size_t length = valid > 0 ? valid : 1;
    const bool layout = c == '\t' || c == '\n' || c == '\r';
    const bool control = valid > 0 ? !layout && IsControl(CodeOf(text.substr(i), valid))
                                   : c >= 0x80 && c <= 0x9F;  // C1 to a terminal of 8 bits
    if (control != open) shown += open ? "'" : "$'";
    open = control;
    if (control) {
      for (std::size_t j = i; j < i + length; ++j) {
        shown += Escaped(static_cast<unsigned char>(text[j]));
      }
    } else {
      shown.append(text, i, length);
    }
    i += length;
  }
  if (open) shown += "'";
  return shown;
}

std::string ValidUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = Utf8Length(bytes.substr(i));
    if (length == 0) {
      text += "\xEF\xBF\xBD";  // U+FFFD
      ++i;
    } else {
      text += bytes.substr(i, length);
      i += length;
    }
  }
  return text;
}

}  // namespace tarvex

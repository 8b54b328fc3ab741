#include "base/code_page.h"

#include <array>
#include <cstdint>

namespace tarvex {

namespace {

// Bytes 0x80-0x9F and the code points they stand for (0 where the code page assigns none).
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

char32_t FromWindows1252(unsigned char byte) noexcept {
  if (byte >= 0x80 && byte <= 0x9F) {
    const char16_t code = kHighControls[byte - 0x80u];
    return code != 0 ? code : byte;
  }
  return byte;
}

char ToWindows1252(char32_t code) noexcept {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == code) return static_cast<char>(0x80 + i);
  }
  return '?';
}

void AppendUtf8(std::string& out, std::string_view windows1252) {
  for (const char byte : windows1252) {
    const char32_t code = FromWindows1252(static_cast<unsigned char>(byte));
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
}

std::string ToWindows1252(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (const wchar_t c : text) out.push_back(ToWindows1252(static_cast<char32_t>(c)));
  return out;
}

bool FitsCodePage(std::wstring_view text) noexcept {
  for (const wchar_t c : text) {
    if (c != L'?' && ToWindows1252(static_cast<char32_t>(c)) == '?') return false;
  }
  return true;
}

}  // namespace tarvex

#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// The 8-bit code page of download files and reports: Windows-1252.

// The Unicode code point a Windows-1252 byte stands for. The five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control code of the same value.
char32_t FromWindows1252(unsigned char byte) noexcept;

// The Windows-1252 byte of a code point, '?' when the code page has none.
char ToWindows1252(char32_t code) noexcept;

// Converts wide characters (Unicode code points) to Windows-1252, "?" for the rest.
std::string ToWindows1252(std::wstring_view text);

// Whether every character of `text` has its byte in the code page (a "?" of its own is one).
bool FitsCodePage(std::wstring_view text) noexcept;

// Appends Windows-1252 bytes to `out` as UTF-8.
void AppendUtf8(std::string& out, std::string_view windows1252);

}  // namespace tarvex

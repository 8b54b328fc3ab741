#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// Standard input where a download's name is shown.
inline constexpr char kStandardInputName[] = "entrada estándar";

// A file name or another value from the user as people are shown it (standard error, the
// progress line, the summary): as it is when it is valid UTF-8 without control characters
// (C0, DEL, C1, and the marks that turn the direction text is read in: U+061C, U+200E,
// U+200F, U+202A to U+202E, U+2066 to U+2069);
// otherwise quoted as a shell reads it back, the way the coreutils show odd names
// ('a'$'\n''b', $'\351'), so that none of its bytes acts on the terminal or passes for a line
// of its own.
std::string ShownName(std::string_view name);

// `text` as it is written to a terminal: each control character but tab, line feed and
// carriage return (as ShownName tells them, and each byte 128 to 159 outside UTF-8, a control
// to a terminal of 8 bits) in the $'...' form of ShownName, so that none acts on the terminal;
// all other bytes as they are.
std::string ShownOnTerminal(std::string_view text);

// `bytes` as valid UTF-8: each byte that is not part of a valid UTF-8 character becomes
// U+FFFD; all else is kept as it is.
std::string ValidUtf8(std::string_view bytes);

}  // namespace tarvex

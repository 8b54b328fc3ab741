#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// Standard input where a download's name is shown.
inline constexpr char kStandardInputName[] = "entrada estándar";

// A file name or another value from the user as people are shown it (standard error, the
// progress line, the summary): as it is when it is valid UTF-8 without control characters;
// otherwise quoted as a shell reads it back, the way the coreutils show odd names
// ('a'$'\n''b', $'\351'), so that none of its bytes acts on the terminal or passes for a line
// of its own.
std::string ShownName(std::string_view name);

// `bytes` as valid UTF-8: each byte that is not part of a valid UTF-8 character becomes
// U+FFFD; all else is kept as it is.
std::string ValidUtf8(std::string_view bytes);

}  // namespace tarvex

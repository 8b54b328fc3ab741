#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// A file name or another value from the user as standard error or the progress line show it:
// as it is when it is valid UTF-8 without control characters; otherwise quoted as a shell
// reads it back, the way the coreutils show odd names ('a'$'\n''b', $'\351'), so that none of
// its bytes acts on the terminal or passes for a line of its own.
std::string ShownName(std::string_view name);

}  // namespace tarvex

#pragma once

#include <string>
#include <string_view>

#include "base/conversion_error.h"

namespace tarvex {

// What both programs, the window's tarvex and tarvex-report, say on their command line, in
// one place: Spanish, UTF-8.

// Standard output where a file's name is shown.
inline constexpr char kStandardOutputName[] = "salida estándar";

// "SHOWN: Número de error: N - DESCRIPTION" and a line feed: a failure on standard error, of
// the file `shown` names (as ShownName gives it).
std::string FailureLine(std::string_view shown, const ConversionError& failure);

// A mistake in the command line: an option that neither program knows, as typed; an option
// given without the value it needs.
std::string UnknownOption(std::string_view typed);
std::string OptionNeedsValue(std::string_view option);

// The line after a mistake in the command line: "Pruebe «PROGRAM --help» para más
// información." and a line feed.
std::string TryHelp(std::string_view program);

}  // namespace tarvex

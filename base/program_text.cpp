#include "base/program_text.h"

namespace tarvex {

std::string FailureLine(std::string_view shown, const ConversionError& failure) {
  return std::string(shown) + ": Número de error: " + std::to_string(failure.Number()) + " - " +
         failure.Description() + "\n";
}

std::string UnknownOption(std::string_view typed) {
  return "opción desconocida: «" + std::string(typed) + "»";
}

std::string OptionNeedsValue(std::string_view option) {
  return "la opción «" + std::string(option) + "» necesita un valor";
}

std::string TryHelp(std::string_view program) {
  return "Pruebe «" + std::string(program) + " --help» para más información.\n";
}

}  // namespace tarvex

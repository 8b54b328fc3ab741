#pragma once

#include <filesystem>
#include <string>

#include "base/conversion_error.h"
#include "conversion/regional_format.h"

namespace tarvex::testing {

// Fixed regional forms, so expected lists do not depend on the machine: dd/mm/yyyy and
// hh:mm:ss, zero-padded (unlike the composed texts, which are not), and a decimal comma.
class FixedFormatter final : public RegionalFormatter {
 public:
  std::string ShortDate(std::chrono::year_month_day date) const override;
  std::string LongTime(TimeOfDay time) const override;
  char DecimalSeparator() const override { return ','; }
};

// A fresh folder for one test, removed afterwards.
struct TempDir {
  TempDir();
  ~TempDir() { std::filesystem::remove_all(path, ignored); }
  std::filesystem::path operator/(const std::string& name) const { return path / name; }
  std::filesystem::path path;
  std::error_code ignored;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);
std::filesystem::path DataFile(const std::string& name);

// The report of a state that holds nothing: before any Open, or after a failed one.
inline constexpr const char* kEmptyReport =
    "ENTRADAS\r\n\r\nSALIDAS\r\n\r\nENTRADAS=0 SALIDAS=0 TOTAL=0\r\n\r\n"
    "CONTADOR GLOBAL:  NUMERO DE SERIE: \r\nFECHA DE DESCARGA:\r\n";

// "number: description" of the failure `body` raises, or "none" when it returns normally.
template <typename Body>
std::string FailureOf(Body&& body) {
  try {
    body();
  } catch (const ConversionError& e) {
    return std::to_string(e.Number()) + ": " + e.Description();
  }
  return "none";
}

}  // namespace tarvex::testing

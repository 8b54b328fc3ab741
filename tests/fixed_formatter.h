#pragma once

#include "conversion/regional_format.h"

namespace tarvex::testing {

// Fixed regional forms, so expected lists do not depend on the machine: dd/mm/yyyy and
// hh:mm:ss, zero-padded (unlike the composed texts, which are not).
class FixedFormatter final : public RegionalFormatter {
 public:
  std::string ShortDate(std::chrono::year_month_day date) const override;
  std::string LongTime(TimeOfDay time) const override;
};

}  // namespace tarvex::testing

#pragma once

#include <string>
#include <vector>

#include "conversion/regional_format.h"

namespace tarvex {

// The regional forms of the browser the page runs in, through its Intl: short dates with a
// four-digit year, long times of its "medium" style, the decimal separator of its numbers, all
// of the language asked for and in UTC (stamps are the counter's local time, as they are
// written). Held to the code page as SystemFormatter holds the machine's: a language Intl does
// not know gives the classic forms, a form that would put characters outside Windows-1252 into
// a list gives the classic one; each fallback is a notice of the same kinds and texts. The
// narrow space some browsers put before AM and PM is written as a plain space.
class IntlForms final : public RegionalFormatter {
 public:
  // The forms of `language` (a BCP 47 tag, navigator.language); "" gives the classic forms.
  explicit IntlForms(const std::string& language);

  std::string ShortDate(std::chrono::year_month_day date) const override;
  std::string LongTime(TimeOfDay time) const override;
  char DecimalSeparator() const override { return decimal_separator_; }
  std::vector<RegionalNotice> Notices() const override { return notices_; }

 private:
  std::wstring IntlDate(std::chrono::year_month_day date) const;
  std::wstring IntlTime(TimeOfDay time) const;

  std::string language_;
  std::vector<RegionalNotice> notices_;
  SystemFormatter classic_{""};
  bool dates_fit_ = false;  // its dates are used
  bool times_fit_ = false;  // its times are used
  char decimal_separator_ = '.';
};

}  // namespace tarvex

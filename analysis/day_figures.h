#pragma once

#include <array>
#include <string>

#include "analysis/count_analysis.h"
#include "conversion/regional_format.h"

namespace tarvex {

// The day's 24 hours, from 00:00-01:00.
std::array<Quarter, 24> Hours(const DayCounts& day);

// A day counted, as people read it: each figure as text in the code page (Windows-1252),
// the date and the decimals in the forms given, the clock times as hh:mm and hh:mm:ss. The
// command line's summary writes them in its fixed Spanish forms (SpanishForms), the Resumen
// window in the user's regional forms.
struct DayFigures {
  std::string date;  // the short-date form: "23/11/2026"
  std::string entries;
  std::string exits;
  std::string total;
  std::string peak_hour;  // "07:15-08:15"
  std::string peak_volume;
  std::string peak_factor;    // "0,75"
  std::string max_occupancy;  // "7"
  std::string max_time;       // when it is first reached: "15:02:40"
  std::string min_occupancy;
  std::string end_occupancy;  // at 24:00
};

DayFigures PresentDay(const DayCounts& day, const RegionalFormatter& forms);

// The summary's forms, whatever the locale: dd/mm/yyyy, hh:mm:ss and a decimal comma.
class SpanishForms final : public RegionalFormatter {
 public:
  std::string ShortDate(std::chrono::year_month_day date) const override;
  std::string LongTime(TimeOfDay time) const override;
  char DecimalSeparator() const override { return ','; }
};

}  // namespace tarvex

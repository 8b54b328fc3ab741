#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/count_analysis.h"
#include "conversion/regional_format.h"

namespace tarvex {

// The day's 24 hours, from 00:00-01:00.
std::array<Quarter, 24> Hours(const DayCounts& day);

// The words and numbers every output of the counts shares (the tables, the summary and the
// Resumen window), each said here only. Texts in UTF-8 unless a comment says otherwise.

// "lunes", "martes", "miércoles", "jueves", "viernes", "sábado", "domingo".
std::string_view WeekdayName(std::chrono::weekday weekday);

// How much of a day the data cover: "completo", "parcial", "sin datos".
std::string_view CoverageWord(Coverage coverage);

// A figure held in tenths (a mean, a share in percent) with one decimal after `separator`:
// 242 is "24,2", -5 is "-0,5".
std::string TenthsText(std::int64_t tenths, char separator);

// A factor held in hundredths with two decimals after `separator`: 75 is "0,75".
std::string HundredthsText(std::int64_t hundredths, char separator);

// The clock time `minutes` after 00:00: "07:15" ("24:00" at the day's end).
std::string ClockText(int minutes);

// The hour that starts `minutes` after 00:00: "07:15-08:15" (the last one ends at "24:00").
std::string HourSpan(int minutes);

// A peak hour as the summary says it: "07:15-08:15 (4, factor 0,50)", or "ninguna" for a
// volume of 0.
std::string PeakText(const Peak& peak, char separator);

// A day counted, as people read it: each figure as text in the code page (Windows-1252),
// the date and the decimals in the forms given, the clock times as hh:mm and hh:mm:ss. The
// command line's summary writes them in its fixed Spanish forms (SpanishForms), the Resumen
// window in the user's regional forms. The peak hour and its factor are empty for a day
// without passages; on a missing day every figure after the coverage is empty.
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
  std::string weekday;        // "lunes" (see WeekdayName)
  std::string coverage;       // "completo", "parcial" or "sin datos"
  // The morning [0] and afternoon [1] peak of each flow (see Flow), as PeakText says it.
  std::array<std::array<std::string, 2>, kFlows> peaks;
  std::string split;           // "66,7" (percent); empty without a peak hour
  std::string correction;      // what the day's reset replaced; empty without one
  std::string capacity_share;  // "87,5" (percent); empty without a capacity

  // The maximum with when it is first reached, as the day tables show it: "7 (15:02:40)".
  std::string MaxWithTime() const { return max_occupancy + " (" + max_time + ")"; }
};

DayFigures PresentDay(const DayCounts& day, const RegionalFormatter& forms);

// An average day's means in tenths (see Tenths), for each flow: over the whole day, and by
// hour. Only for an average of at least one day.
struct AverageMeans {
  std::array<std::int64_t, kFlows> day{};
  std::array<std::array<std::int64_t, kFlows>, 24> hours{};
};

AverageMeans MeansOf(const AverageDay& average);

// The two average days, of weekdays [0] and of weekend days [1]: their names, and what is
// said of one without a complete day of its kind.
inline constexpr std::string_view kAverageDayNames[] = {"Día laborable medio",
                                                        "Día de fin de semana medio"};
inline constexpr std::string_view kNoAverageDay[] = {"ningún día completo de lunes a viernes",
                                                     "ningún sábado ni domingo completo"};

// The summary's forms, whatever the locale: dd/mm/yyyy, hh:mm:ss and a decimal comma.
class SpanishForms final : public RegionalFormatter {
 public:
  std::string ShortDate(std::chrono::year_month_day date) const override;
  std::string LongTime(TimeOfDay time) const override;
  char DecimalSeparator() const override { return ','; }
};

}  // namespace tarvex

#include "analysis/day_figures.h"

#include <cstdio>
#include <cstdlib>

#include "base/code_page.h"

namespace tarvex {

namespace {

std::string Clock(int seconds, bool with_seconds) {
  char text[16];
  if (with_seconds) {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 3600, seconds / 60 % 60);
  }
  return text;
}

// The weekdays' names in the code page, from Sunday (as std::chrono counts them).
constexpr const char* kWeekdays[] = {"domingo",
                                     "lunes",
                                     "martes",
                                     "mi\xE9rcoles",
                                     "jueves",
                                     "viernes",
                                     "s\xE1"
                                     "bado"};

// A number with `decimals` digits after `separator` of a value held in 10^decimals parts.
std::string Fixed(std::int64_t parts, int decimals, char separator) {
  const std::int64_t unit = decimals == 1 ? 10 : 100;
  const std::int64_t whole = std::llabs(parts) / unit;
  const std::int64_t rest = std::llabs(parts) % unit;
  char text[48];
  std::snprintf(text, sizeof text, "%s%lld%c%0*lld", parts < 0 ? "-" : "",
                static_cast<long long>(whole), separator, decimals, static_cast<long long>(rest));
  return text;
}

}  // namespace

std::array<Quarter, 24> Hours(const DayCounts& day) {
  std::array<Quarter, 24> hours;
  for (int hour = 0; hour < 24; ++hour) {
    hours[static_cast<std::size_t>(hour)] = Interval(day, hour * 4, 4);
  }
  return hours;
}

std::string_view WeekdayName(std::chrono::weekday weekday) {
  static const std::array<std::string, 7> kUtf8 = [] {
    std::array<std::string, 7> names;
    for (std::size_t i = 0; i < names.size(); ++i) AppendUtf8(names[i], kWeekdays[i]);
    return names;
  }();
  return kUtf8[weekday.c_encoding() % 7];
}

std::string_view CoverageWord(Coverage coverage) {
  switch (coverage) {
    case Coverage::kComplete:
      return "completo";
    case Coverage::kPartial:
      return "parcial";
    case Coverage::kMissing:
      break;
  }
  return "sin datos";
}

std::string TenthsText(std::int64_t tenths, char separator) {
  return Fixed(tenths, 1, separator);
}

std::string HundredthsText(std::int64_t hundredths, char separator) {
  return Fixed(hundredths, 2, separator);
}

std::string ClockText(int minutes) {
  return Clock(minutes * 60, false);
}

std::string HourSpan(int minutes) {
  return ClockText(minutes) + "-" + ClockText(minutes + 60);
}

std::string PeakText(const Peak& peak, char separator) {
  if (peak.volume == 0) return "ninguna";
  return HourSpan(peak.start) + " (" + std::to_string(peak.volume) + ", factor " +
         HundredthsText(peak.factor, separator) + ")";
}

DayFigures PresentDay(const DayCounts& day, const RegionalFormatter& forms) {
  const char separator = forms.DecimalSeparator();
  DayFigures figures;
  figures.date = forms.ShortDate(day.date);
  figures.weekday = kWeekdays[day.weekday.c_encoding() % 7];
  figures.coverage = CoverageWord(day.coverage);
  if (day.coverage == Coverage::kMissing) return figures;
  figures.entries = std::to_string(day.entries);
  figures.exits = std::to_string(day.exits);
  figures.total = std::to_string(day.entries + day.exits);
  figures.peak_volume = std::to_string(day.peak_volume);
  if (day.peak_volume > 0) {
    figures.peak_hour = HourSpan(day.peak_start);
    figures.peak_factor = HundredthsText(day.peak_factor, separator);
  }
  if (day.split >= 0) figures.split = TenthsText(day.split, separator);
  figures.max_occupancy = std::to_string(day.max_occupancy);
  figures.max_time = Clock(day.max_second, true);
  figures.min_occupancy = std::to_string(day.min_occupancy);
  figures.end_occupancy = std::to_string(day.end_occupancy);
  for (std::size_t flow = 0; flow < kFlows; ++flow) {
    for (std::size_t part = 0; part < 2; ++part) {
      figures.peaks[flow][part] = PeakText(day.peaks[flow][part], separator);
    }
  }
  if (day.correction) figures.correction = std::to_string(*day.correction);
  if (day.capacity_share) figures.capacity_share = TenthsText(*day.capacity_share, separator);
  return figures;
}

AverageMeans MeansOf(const AverageDay& average) {
  AverageMeans means;
  const auto mean = [&](std::int64_t sum) { return Tenths(sum, average.days); };
  means.day = {mean(average.totals[0]), mean(average.totals[1]),
               mean(average.totals[0] + average.totals[1])};
  for (std::size_t hour = 0; hour < 24; ++hour) {
    const std::int64_t entries = average.hours[0][hour];
    const std::int64_t exits = average.hours[1][hour];
    means.hours[hour] = {mean(entries), mean(exits), mean(entries + exits)};
  }
  return means;
}

std::string SpanishForms::ShortDate(std::chrono::year_month_day date) const {
  char text[16];
  std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(date.day()),
                static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
  return text;
}

std::string SpanishForms::LongTime(TimeOfDay time) const {
  return Clock(static_cast<int>(time.to_duration().count()), true);
}

}  // namespace tarvex

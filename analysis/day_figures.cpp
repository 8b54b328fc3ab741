#include "analysis/day_figures.h"

#include <cstdio>

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

}  // namespace

std::array<Quarter, 24> Hours(const DayCounts& day) {
  std::array<Quarter, 24> hours;
  for (int hour = 0; hour < 24; ++hour) {
    hours[static_cast<std::size_t>(hour)] = Interval(day, hour * 4, 4);
  }
  return hours;
}

DayFigures PresentDay(const DayCounts& day, const RegionalFormatter& forms) {
  char factor[24];
  std::snprintf(factor, sizeof factor, "%d%c%02d", day.peak_factor / 100, forms.DecimalSeparator(),
                day.peak_factor % 100);
  return {forms.ShortDate(day.date),
          std::to_string(day.entries),
          std::to_string(day.exits),
          std::to_string(day.entries + day.exits),
          Clock(day.peak_start * 60, false) + "-" + Clock((day.peak_start + 60) * 60, false),
          std::to_string(day.peak_volume),
          factor,
          std::to_string(day.max_occupancy),
          Clock(day.max_second, true),
          std::to_string(day.min_occupancy),
          std::to_string(day.end_occupancy)};
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

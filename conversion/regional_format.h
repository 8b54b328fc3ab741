#pragma once

#include <chrono>
#include <ctime>
#include <locale>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

namespace tarvex {

using TimeOfDay = std::chrono::hh_mm_ss<std::chrono::seconds>;

// The user's regional date and time forms. Both take valid values only and return text in
// the 8-bit code page (Windows-1252).
class RegionalFormatter {
 public:
  RegionalFormatter();
  virtual ~RegionalFormatter();
  // The short-date form of a valid calendar date.
  virtual std::string ShortDate(std::chrono::year_month_day date) const = 0;
  // The long-time form of a valid time of day (under 24 hours).
  virtual std::string LongTime(TimeOfDay time) const = 0;

  // ShortDate and LongTime with each text rendered once in the life of this formatter and
  // kept: a download holds few distinct days and seconds, and a run over many downloads
  // repeats them. A view stays valid as long as the formatter, except for a date outside
  // 1980-2107 or a time with odd seconds (no stamp holds one), which is rendered each time
  // and holds until the next call that renders.
  // Not for use from two threads at once.
  std::string_view CachedShortDate(std::chrono::year_month_day date) const;
  std::string_view CachedLongTime(TimeOfDay time) const;

 private:
  class TextCache;
  std::unique_ptr<TextCache> dates_;
  std::unique_ptr<TextCache> times_;
  mutable std::string uncached_;
};

// The regional settings of this machine: short date as the locale's "%x", long time as its
// "%X". A locale name that is not installed falls back to the classic "C" locale, without
// failing. Characters outside Windows-1252 become "?".
// Keeps one formatting stream for all its calls, so one object serves one thread.
class SystemFormatter final : public RegionalFormatter {
 public:
  // The locale named by the environment: LC_ALL, else LC_TIME, else LANG (first non-empty).
  SystemFormatter();
  // The locale `name` ("" means the classic locale).
  explicit SystemFormatter(const std::string& name);

  std::string ShortDate(std::chrono::year_month_day date) const override;
  std::string LongTime(TimeOfDay time) const override;

  // The name of the locale in use ("C" after a fallback).
  std::string LocaleName() const { return locale_.name(); }

  SystemFormatter(const SystemFormatter&) = delete;
  SystemFormatter& operator=(const SystemFormatter&) = delete;

  // The locale name the environment asks for, "" when none is set.
  static std::string EnvironmentLocaleName();

 private:
  std::string Render(const std::tm& tm, const wchar_t* format) const;

  std::locale locale_;
  const std::time_put<wchar_t>& time_put_;
  mutable std::wostringstream stream_;  // imbued once: building one per call is slow
};

}  // namespace tarvex

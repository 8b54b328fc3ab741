#pragma once

#include <chrono>
#include <ctime>
#include <locale>
#include <sstream>
#include <string>

namespace tarvex {

using TimeOfDay = std::chrono::hh_mm_ss<std::chrono::seconds>;

// The user's regional date and time forms. Both take valid values only and return text in
// the 8-bit code page (Windows-1252).
class RegionalFormatter {
 public:
  virtual ~RegionalFormatter() = default;
  // The short-date form of a valid calendar date.
  virtual std::string ShortDate(std::chrono::year_month_day date) const = 0;
  // The long-time form of a valid time of day (under 24 hours).
  virtual std::string LongTime(TimeOfDay time) const = 0;
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

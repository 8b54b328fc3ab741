#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <locale>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/stamp.h"

namespace tarvex {

// Something the user must be told about the regional forms, before any list is shown: the
// dates and times are not in the forms the user asked for.
struct RegionalNotice {
  enum class Kind {
    kNotInstalled,  // the locale asked for is not installed: the classic forms are used
    kDateForm,      // its short-date form uses characters outside the code page: classic dates
    kTimeForm,      // its long-time form does: classic times
  };
  Kind kind;
  std::string locale;  // the name asked for, as given

  // The notice in Spanish, for people, with `shown_locale` standing for the name.
  std::string Text(std::string_view shown_locale) const;
  bool operator==(const RegionalNotice&) const = default;
};

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
  // The decimal separator of the same locale, in the code page; the classic "." by default.
  virtual char DecimalSeparator() const { return '.'; }
  // What the user must be told about these forms; nothing when they are what was asked for.
  virtual std::vector<RegionalNotice> Notices() const { return {}; }

  // ShortDate and LongTime with each text rendered once in the life of this formatter and
  // kept: a download holds few distinct days and seconds, and a run over many downloads
  // repeats them. A view stays valid as long as the formatter, except for a date outside the
  // years a stamp holds or a time with odd seconds (no stamp holds one), which is rendered each
  // time and holds until the next call that renders. Not for use from two threads at once.
  std::string_view CachedShortDate(std::chrono::year_month_day date) const;
  std::string_view CachedLongTime(TimeOfDay time) const;

 private:
  class TextCache;
  std::unique_ptr<TextCache> dates_;
  std::unique_ptr<TextCache> times_;
  mutable std::string uncached_;
};

// The trial of a regional form before any list is made: a date form is tried on a date of
// every month, a time form on times before and after noon; where any of them would not fit
// the code page, the form gives way to the classic one for every value (and a notice).
bool DatesFit(const std::function<std::wstring(std::chrono::year_month_day)>& render);
bool TimesFit(const std::function<std::wstring(TimeOfDay)>& render);

// The regional settings of this machine: short date as the locale's "%x", long time as its
// "%X", decimals with its decimal point (the classic "." where that is outside the code page,
// as no list holds a decimal). Never silently wrong: a locale name that is not installed falls back
// to the classic "C" forms, and a form that would put characters outside Windows-1252 into a list
// (another script's digits or signs) falls back to the classic one; each fallback is a notice.
// Keeps one formatting stream per form for all its calls, so one object serves one thread.
class SystemFormatter final : public RegionalFormatter {
 public:
  // The locale named by the environment: LC_ALL, else LC_TIME, else LANG (first non-empty).
  SystemFormatter();
  // The locale `name` ("" when the environment names none: the classic locale; a name the
  // user gives is never empty, the command line refuses one).
  explicit SystemFormatter(const std::string& name);

  std::string ShortDate(std::chrono::year_month_day date) const override;
  std::string LongTime(TimeOfDay time) const override;
  char DecimalSeparator() const override { return decimal_separator_; }
  std::vector<RegionalNotice> Notices() const override { return notices_; }

  SystemFormatter(const SystemFormatter&) = delete;
  SystemFormatter& operator=(const SystemFormatter&) = delete;

  // The locale name the environment asks for, "" when none is set.
  static std::string EnvironmentLocaleName();

 private:
  // One form ("%x" or "%X") in one locale, with its stream imbued once: one per call is slow.
  struct Form {
    explicit Form(const std::locale& locale);
    std::wstring Render(const std::tm& tm, const wchar_t* format);
    std::locale locale;
    const std::time_put<wchar_t>& put;
    std::wostringstream stream;
  };

  std::string Render(Form& form, const std::tm& tm, const wchar_t* format) const;

  std::vector<RegionalNotice> notices_;
  mutable Form local_;
  mutable Form classic_;
  Form* date_ = &local_;  // local_, or classic_ where it does not fit the code page
  Form* time_ = &local_;
  char decimal_separator_ = '.';
};

}  // namespace tarvex

#include "conversion/regional_format.h"

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <stdexcept>

#include "conversion/code_page.h"

namespace tarvex {

namespace {

std::locale LocaleOrClassic(const std::string& name) {
  if (name.empty()) return std::locale::classic();
  try {
    return std::locale(name);
  } catch (const std::runtime_error&) {
    // Not installed on this machine: render with the classic forms rather than fail.
    return std::locale::classic();
  }
}

}  // namespace

std::string SystemFormatter::EnvironmentLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

SystemFormatter::SystemFormatter() : SystemFormatter(EnvironmentLocaleName()) {}

SystemFormatter::SystemFormatter(const std::string& name)
    : locale_(LocaleOrClassic(name)), time_put_(std::use_facet<std::time_put<wchar_t>>(locale_)) {
  stream_.imbue(locale_);
}

std::string SystemFormatter::Render(const std::tm& tm, const wchar_t* format) const {
  stream_.str(std::wstring());
  time_put_.put(std::ostreambuf_iterator<wchar_t>(stream_), stream_, L' ', &tm, format,
                format + std::char_traits<wchar_t>::length(format));
  return ToWindows1252(stream_.str());
}

std::string SystemFormatter::ShortDate(std::chrono::year_month_day date) const {
  std::tm tm{};
  tm.tm_year = static_cast<int>(date.year()) - 1900;
  tm.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  tm.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  const std::chrono::weekday weekday{std::chrono::sys_days{date}};
  tm.tm_wday = static_cast<int>(weekday.c_encoding());
  const auto january_first =
      std::chrono::year_month_day{date.year(), std::chrono::January, std::chrono::day{1}};
  tm.tm_yday = static_cast<int>(
      (std::chrono::sys_days{date} - std::chrono::sys_days{january_first}).count());
  return Render(tm, L"%x");
}

std::string SystemFormatter::LongTime(TimeOfDay time) const {
  std::tm tm{};
  tm.tm_hour = static_cast<int>(time.hours().count());
  tm.tm_min = static_cast<int>(time.minutes().count());
  tm.tm_sec = static_cast<int>(time.seconds().count());
  tm.tm_mday = 1;
  return Render(tm, L"%X");
}

}  // namespace tarvex

#include "conversion/regional_format.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "base/code_page.h"

namespace tarvex {

namespace {

// The locale `name`; the classic one, with a notice, when it is not installed.
std::locale Chosen(const std::string& name, std::vector<RegionalNotice>& notices) {
  if (name.empty()) return std::locale::classic();
  try {
    return std::locale(name);
  } catch (const std::runtime_error&) {
    notices.push_back({RegionalNotice::Kind::kNotInstalled, name});
    return std::locale::classic();
  }
}

std::tm DateFields(std::chrono::year_month_day date) {
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
  return tm;
}

std::tm TimeFields(TimeOfDay time) {
  std::tm tm{};
  tm.tm_hour = static_cast<int>(time.hours().count());
  tm.tm_min = static_cast<int>(time.minutes().count());
  tm.tm_sec = static_cast<int>(time.seconds().count());
  tm.tm_mday = 1;
  return tm;
}

constexpr const wchar_t* kShortDate = L"%x";
constexpr const wchar_t* kLongTime = L"%X";

}  // namespace

std::string RegionalNotice::Text(std::string_view shown_locale) const {
  const std::string name = "«" + std::string(shown_locale) + "»";
  const std::string month_first = "mes/día/año (03/05/11 es el 5 de marzo de 2011)";
  switch (kind) {
    case Kind::kNotInstalled:
      return "La configuración regional " + name +
             " no está instalada en este equipo: las fechas se muestran como " + month_first +
             " y las horas de 00 a 23.";
    case Kind::kDateForm:
      return "Las fechas de la configuración regional " + name +
             " usan caracteres que los informes no pueden guardar: se muestran como " +
             month_first + ".";
    case Kind::kTimeForm:
      return "Las horas de la configuración regional " + name +
             " usan caracteres que los informes no pueden guardar: se muestran como "
             "horas:minutos:segundos, de 00 a 23.";
  }
  return {};
}

// Rendered texts by key, filled on first use. Texts sit in fixed 16-byte slots, in blocks
// allocated as they are first needed, so a look-up touches one cache line and a small
// download costs little; the rare longer text is kept apart.
class RegionalFormatter::TextCache {
 public:
  template <typename RenderFn>
  std::string_view Lookup(std::size_t key, RenderFn render) {
    const std::size_t block = key / kBlock;
    if (block >= table_.size()) table_.resize(block + 1);
    if (!table_[block]) table_[block] = std::make_unique<Slot[]>(kBlock);
    Slot& slot = table_[block][key % kBlock];
    if (slot.tag == 0) {
      const std::string text = render();
      if (text.size() <= sizeof slot.text) {
        std::copy(text.begin(), text.end(), slot.text);
        slot.tag = static_cast<std::uint8_t>(text.size() + 1);
      } else {
        const auto index = static_cast<std::uint32_t>(long_texts_.size());
        long_texts_.push_back(text);
        std::memcpy(slot.text, &index, sizeof index);
        slot.tag = kLong;
      }
    }
    if (slot.tag != kLong) return {slot.text, slot.tag - 1u};
    std::uint32_t index;
    std::memcpy(&index, slot.text, sizeof index);
    return long_texts_[index];
  }

 private:
  static constexpr std::size_t kBlock = 1024;
  static constexpr std::uint8_t kLong = 0xFF;
  struct Slot {
    std::uint8_t tag = 0;  // 0: not rendered yet; kLong: text holds an index; else size + 1
    char text[15];
  };
  std::vector<std::unique_ptr<Slot[]>> table_;
  std::deque<std::string> long_texts_;  // a deque: texts never move once kept
};

RegionalFormatter::RegionalFormatter()
    : dates_(std::make_unique<TextCache>()), times_(std::make_unique<TextCache>()) {}

RegionalFormatter::~RegionalFormatter() = default;

std::string_view RegionalFormatter::CachedShortDate(std::chrono::year_month_day date) const {
  const int year = static_cast<int>(date.year());
  if (year < Stamp::kFirstYear || year > Stamp::kLastYear) return uncached_ = ShortDate(date);
  // By day since 1 January of the first year (31 slots a month).
  const auto key =
      static_cast<std::size_t>(((year - Stamp::kFirstYear) * 12 +
                                static_cast<int>(static_cast<unsigned>(date.month())) - 1) *
                                   31 +
                               static_cast<int>(static_cast<unsigned>(date.day())) - 1);
  return dates_->Lookup(key, [&] { return ShortDate(date); });
}

std::string_view RegionalFormatter::CachedLongTime(TimeOfDay time) const {
  // By second of the day. Stamps hold even seconds only, so those are kept, 30 slots a
  // minute; an odd second is rendered each time.
  const auto second = static_cast<std::size_t>(time.to_duration().count());
  if (second % 2 != 0) return uncached_ = LongTime(time);
  return times_->Lookup(second / 2, [&] { return LongTime(time); });
}

std::string SystemFormatter::EnvironmentLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

SystemFormatter::SystemFormatter() : SystemFormatter(EnvironmentLocaleName()) {}

SystemFormatter::Form::Form(const std::locale& chosen)
    : locale(chosen), put(std::use_facet<std::time_put<wchar_t>>(locale)) {
  stream.imbue(locale);
}

std::wstring SystemFormatter::Form::Render(const std::tm& tm, const wchar_t* format) {
  stream.str(std::wstring());
  put.put(std::ostreambuf_iterator<wchar_t>(stream), stream, L' ', &tm, format,
          format + std::char_traits<wchar_t>::length(format));
  return stream.str();
}

bool DatesFit(const std::function<std::wstring(std::chrono::year_month_day)>& render) {
  for (unsigned month = 1; month <= 12; ++month) {
    const std::chrono::year_month_day date{std::chrono::year{2011}, std::chrono::month{month},
                                           std::chrono::day{month + 5}};
    if (!FitsCodePage(render(date))) return false;
  }
  return true;
}

bool TimesFit(const std::function<std::wstring(TimeOfDay)>& render) {
  for (const int seconds : {0, 33474, 76674}) {
    if (!FitsCodePage(render(TimeOfDay{std::chrono::seconds{seconds}}))) return false;
  }
  return true;
}

SystemFormatter::SystemFormatter(const std::string& name)
    : local_(Chosen(name, notices_)), classic_(std::locale::classic()) {
  const bool dates_fit = DatesFit([this](std::chrono::year_month_day date) {
    return local_.Render(DateFields(date), kShortDate);
  });
  const bool times_fit =
      TimesFit([this](TimeOfDay time) { return local_.Render(TimeFields(time), kLongTime); });
  const wchar_t point = std::use_facet<std::numpunct<wchar_t>>(local_.locale).decimal_point();
  if (FitsCodePage(std::wstring_view(&point, 1)) && point != L'?') {
    decimal_separator_ = ToWindows1252(static_cast<char32_t>(point));
  }
  if (!dates_fit) {
    date_ = &classic_;
    notices_.push_back({RegionalNotice::Kind::kDateForm, name});
  }
  if (!times_fit) {
    time_ = &classic_;
    notices_.push_back({RegionalNotice::Kind::kTimeForm, name});
  }
}

std::string SystemFormatter::Render(Form& form, const std::tm& tm, const wchar_t* format) const {
  std::wstring text = form.Render(tm, format);
  // A value the trial did not meet: this one in the classic form, never with "?".
  if (&form != &classic_ && !FitsCodePage(text)) text = classic_.Render(tm, format);
  return ToWindows1252(text);
}

std::string SystemFormatter::ShortDate(std::chrono::year_month_day date) const {
  return Render(*date_, DateFields(date), kShortDate);
}

std::string SystemFormatter::LongTime(TimeOfDay time) const {
  return Render(*time_, TimeFields(time), kLongTime);
}

}  // namespace tarvex

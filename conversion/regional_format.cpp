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
  if (year < 1980 || year > 2107) return uncached_ = ShortDate(date);
  // By day since 1 January 1980 (31 slots a month).
  const auto key = static_cast<std::size_t>(
      ((year - 1980) * 12 + static_cast<int>(static_cast<unsigned>(date.month())) - 1) * 31 +
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

#include "fixed_formatter.h"

#include <cstdio>

namespace tarvex::testing {

namespace {
std::string Two(long long v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02lld", v);
  return buffer;
}
}  // namespace

std::string FixedFormatter::ShortDate(std::chrono::year_month_day date) const {
  return Two(static_cast<unsigned>(date.day())) + "/" + Two(static_cast<unsigned>(date.month())) +
         "/" + std::to_string(static_cast<int>(date.year()));
}

std::string FixedFormatter::LongTime(TimeOfDay time) const {
  return Two(time.hours().count()) + ":" + Two(time.minutes().count()) + ":" +
         Two(time.seconds().count());
}

}  // namespace tarvex::testing

// The system's regional forms, the locale fallback and the 8-bit code page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <locale>

#include "conversion/code_page.h"
#include "conversion/event_scan.h"
#include "conversion/stamp_decoder.h"
#include "test_support.h"

namespace tarvex {
namespace {

using namespace std::chrono;

constexpr year_month_day kMarch5{year{2011}, month{3}, day{5}};
const TimeOfDay kEvening{hours{21} + minutes{7} + seconds{4}};

bool Installed(const char* name) {
  try {
    std::locale{name};
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

TEST(SystemFormatter, ClassicAndInstalledLocales) {
  const struct {
    const char* locale;
    const char* date;
    const char* time;
  } cases[] = {
      {"C", "03/05/11", "21:07:04"},
      {"", "03/05/11", "21:07:04"},
      {"es_ES.UTF-8", "05/03/11", "21:07:04"},
      {"en_US.UTF-8", "03/05/2011", "09:07:04 PM"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    if (*c.locale != '\0' && !Installed(c.locale)) {
      GTEST_SKIP() << "locale " << c.locale
                   << " is not installed; the test set-up generates it when run as root";
    }
    const SystemFormatter formatter{std::string(c.locale)};
    EXPECT_EQ(formatter.ShortDate(kMarch5), c.date);
    EXPECT_EQ(formatter.LongTime(kEvening), c.time);
  }
}

TEST(SystemFormatter, ALocaleThatIsNotInstalledFallsBackToClassic) {
  for (const char* name : {"xx_XX.UTF-8", "no such locale", "es_ES.NOPE"}) {
    SCOPED_TRACE(name);
    const SystemFormatter formatter{std::string(name)};
    EXPECT_EQ(formatter.LocaleName(), "C");
    EXPECT_EQ(formatter.ShortDate(kMarch5), "03/05/11");
  }
}

TEST(SystemFormatter, EnvironmentOrderIsLcAllThenLcTimeThenLang) {
  const struct {
    const char* lc_all;
    const char* lc_time;
    const char* lang;
    const char* chosen;
  } cases[] = {{"", "xx_YY.UTF-8", "es_ES.UTF-8", "xx_YY.UTF-8"},
               {"C", "xx_YY.UTF-8", "es_ES.UTF-8", "C"},
               {nullptr, nullptr, "es_ES.UTF-8", "es_ES.UTF-8"},
               {nullptr, nullptr, nullptr, ""}};
  const char* names[] = {"LC_ALL", "LC_TIME", "LANG"};
  std::string saved[3];
  bool had[3];
  for (int i = 0; i < 3; ++i) {
    had[i] = std::getenv(names[i]) != nullptr;
    if (had[i]) saved[i] = std::getenv(names[i]);
  }
  for (const auto& c : cases) {
    const char* values[] = {c.lc_all, c.lc_time, c.lang};
    for (int i = 0; i < 3; ++i) {
      if (values[i] != nullptr) setenv(names[i], values[i], 1); else unsetenv(names[i]);
    }
    EXPECT_EQ(SystemFormatter::EnvironmentLocaleName(), c.chosen);
  }
  setenv("LC_TIME", "xx_YY.UTF-8", 1);
  EXPECT_EQ(SystemFormatter().LocaleName(), "C");  // not installed: classic, no failure
  for (int i = 0; i < 3; ++i) {
    if (had[i]) setenv(names[i], saved[i].c_str(), 1); else unsetenv(names[i]);
  }
}

TEST(ToWindows1252, KeepsWhatTheCodePageHoldsAndMarksTheRest) {
  EXPECT_EQ(ToWindows1252(L"09:07 a. m."), "09:07 a. m.");
  EXPECT_EQ(ToWindows1252(L"\u00e9\u00f1\u00ff\u00a0"), "\xE9\xF1\xFF\xA0");
  EXPECT_EQ(ToWindows1252(L"\u20ac\u2019\u0178"), "\x80\x92\x9F");
  EXPECT_EQ(ToWindows1252(L"9\u202f" L"PM \u0080\u4e00"), "9?PM ??");
}

TEST(FromWindows1252, EveryByteRoundTripsExceptTheFiveUnassigned) {
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const char32_t code = FromWindows1252(static_cast<unsigned char>(b));
    const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    EXPECT_EQ(ToWindows1252(code), unassigned ? '?' : static_cast<char>(b));
    if (unassigned) {
      EXPECT_EQ(code, static_cast<char32_t>(b));
    }
  }
  EXPECT_EQ(FromWindows1252(0x80), U'\u20ac');
  EXPECT_EQ(FromWindows1252(0xE9), U'\u00e9');
}

}  // namespace
}  // namespace tarvex

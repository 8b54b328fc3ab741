// The event scans, the stamp decoder and the two timestamp lists.
#include <gtest/gtest.h>

#include "conversion/event_scan.h"
#include "conversion/stamp_decoder.h"
#include "test_support.h"

namespace tarvex {
namespace {

using testing::FailureOf;

void RunScans(ConversionState& state) {
  ScanEvents(state);
  ScanExits(state);
  ScanEntries(state);
}

struct ScanCase {
  const char* name;
  std::string text;
  std::string events, exits, entries;
  int total, exit_count, entry_count;
};

TEST(Scans, CutCountAndSortRecords) {
  const ScanCase cases[] = {
      {"no records", "&000123xx07DDDD", "", "", "", 0, 0, 0},
      {"two well formed", "$3E654A3B@$3E655238#", "3E654A3B@\r\n3E655238#\r\n",
       "3E655238\r\n", "3E654A3B\r\n", 2, 1, 1},
      {"separated by other characters", "&h$3E654A3B@xx$3E655238#yy",
       "3E654A3B@\r\n3E655238#\r\n", "3E655238\r\n", "3E654A3B\r\n", 2, 1, 1},
      {"two entries one exit", "$00000001@$00000002#$00000003@",
       "00000001@\r\n00000002#\r\n00000003@\r\n", "00000002\r\n", "00000001\r\n00000003\r\n", 3,
       1, 2},
      {"payload without markers", "$3E654A3B@$123456789",
       "3E654A3B@\r\n123456789\r\n", "", "3E654A3B\r\n", 2, 0, 1},
      {"payload with both markers", "$3E654A3B@$1234567#@",
       "3E654A3B@\r\n1234567#@\r\n", "\n1234567\r\n", "3E654A3B\r\n1234567#\r\n", 2, 1, 2},
      {"dollar inside a payload", "$3E654A3B@$3E65$4A3B@",
       "3E654A3B@\r\n3E65$4A3B\r\n4A3B@\r\n", "", "3E654A3B\r\n3B\r\n4A3B\r\n", 3, 0, 2},
      {"short payload at the end", "$3E654A3B@$3E6", "3E654A3B@\r\n3E6\r\n", "",
       "3E654A3B\r\n", 2, 0, 1},
      {"short payload with a marker reaches back", "$3E654A3B@$1#", "3E654A3B@\r\n1#\r\n",
       "4A3B@\r\n1\r\n", "3E654A3B\r\n", 2, 1, 1},
      {"dollar last", "$3E654A3B@$", "3E654A3B@\r\n\r\n", "", "3E654A3B\r\n", 2, 0, 1},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.name);
    ConversionState state;
    state.FileText = c.text;
    RunScans(state);
    EXPECT_EQ(state.EventList, c.events);
    EXPECT_EQ(state.ExitRaw, c.exits);
    EXPECT_EQ(state.EntryRaw, c.entries);
    EXPECT_EQ(state.TotalCount, c.total);
    EXPECT_EQ(state.ExitCount, c.exit_count);
    EXPECT_EQ(state.EntryCount, c.entry_count);
    for (const ScanCursor* cursor : {&state.EventScan, &state.ExitScan, &state.EntryScan}) {
      EXPECT_EQ(cursor->found, 0);
    }
  }
}

TEST(Scans, ASecondRunChangesNothingAndANewFileNeedsAReset) {
  ConversionState state;
  state.FileText = "$3E654A3B@$3E655238#";
  RunScans(state);
  const ConversionState first = state;
  state.FileText += "$3E654A3B@";  // finished scans do not look again
  RunScans(state);
  EXPECT_EQ(state.EventList, first.EventList);
  EXPECT_EQ(state.TotalCount, 2);
  EXPECT_EQ(state.EntryCount, 1);
  ResetState(state);
  RunScans(state);
  EXPECT_EQ(state.TotalCount, 3);
  EXPECT_EQ(state.EntryCount, 2);
}

TEST(Scans, AMalformedFirstRecordFailsAndKeepsWhatWasDone) {
  ConversionState state;
  state.FileText = "$1#$3E654A3B@";  // "#" at position 2 of EventList
  ScanEvents(state);
  EXPECT_EQ(state.TotalCount, 2);
  EXPECT_EQ(FailureOf([&] { ScanExits(state); }), failure::kInvalidArgument);
  EXPECT_EQ(state.ExitCount, 0);
  EXPECT_EQ(state.ExitRaw, "");
  ScanEntries(state);  // the other direction is unaffected
  EXPECT_EQ(state.EntryRaw, "3E654A3B\r\n");
}

TEST(Scans, CountOverflowFailsWithoutAHalfRecordedHit) {
  ConversionState state;
  state.FileText = "$3E654A3B@$3E654A3B@";
  state.TotalCount = 2147483647;
  EXPECT_EQ(FailureOf([&] { ScanEvents(state); }), failure::kOverflow);
  EXPECT_EQ(state.EventList, "");  // the failing hit is not half recorded
  state.EventList = "3E654A3B@";
  state.EntryCount = 2147483647;
  EXPECT_EQ(FailureOf([&] { ScanEntries(state); }), failure::kOverflow);
  EXPECT_EQ(state.EntryRaw, "");
}

TEST(HexByte, ReadsLeadingHexDigitsLikeTheCounterSoftware) {
  const struct {
    const char* slice;
    int value;
  } cases[] = {
      {"3E", 0x3E}, {"ff", 0xFF}, {"Ff", 0xFF}, {"00", 0}, {"9G", 9},   {"G9", 0},
      {"", 0},      {"A", 0xA},   {" A", 0xA},  {"A ", 0xA}, {"\tB", 0xB}, {"\nC", 0xC},
      {"\r1", 0},   {"1\r", 1},   {"#1", 0},    {"-1", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slice);
    EXPECT_EQ(HexByte(c.slice), c.value);
  }
}

struct StampCase {
  const char* digits;
  const char* date_text;
  const char* time_text;
  const char* listed;  // under the fixed regional forms
};

TEST(PackedStamp, DecodesAndListsValidAndInvalidValues) {
  const StampCase cases[] = {
      {"3E654A3B", "5/3/2011", "9:17:54", "05/03/2011    09:17:54"},
      {"3e654a3b", "5/3/2011", "9:17:54", "05/03/2011    09:17:54"},
      {"3E655238", "5/3/2011", "10:17:48", "05/03/2011    10:17:48"},
      {"00000000", "0/0/1980", "0:0:0", "0/0/1980    00:00:00"},
      {"3E9F0000", "31/4/2011", "0:0:0", "31/4/2011    00:00:00"},
      {"FFFFFFFF", "31/15/2107", "31:63:62", "31/15/2107    31:63:62"},
      {"3FA10000", "1/13/2011", "0:0:0", "1/13/2011    00:00:00"},      // month 13
      {"485D0000", "29/2/2016", "0:0:0", "29/02/2016    00:00:00"},     // leap year
      {"4A5D0000", "29/2/2017", "0:0:0", "29/2/2017    00:00:00"},      // common year
      {"285D0000", "29/2/2000", "0:0:0", "29/02/2000    00:00:00"},     // century leap year
      {"FE5D0000", "29/2/2107", "0:0:0", "29/2/2107    00:00:00"},      // 2107 is common
      {"00210000", "1/1/1980", "0:0:0", "01/01/1980    00:00:00"},      // earliest valid day
      {"FF9FBF7D", "31/12/2107", "23:59:58", "31/12/2107    23:59:58"},  // latest valid moment
      {"0021BF7E", "1/1/1980", "23:59:60", "01/01/1980    23:59:60"},   // second 60
      {"0021BF7F", "1/1/1980", "23:59:62", "01/01/1980    23:59:62"},   // second 62
      {"0021C000", "1/1/1980", "24:0:0", "01/01/1980    24:0:0"},       // hour 24
      {"00210F80", "1/1/1980", "1:60:0", "01/01/1980    1:60:0"},       // minute 60
      {"ZZZZZZZZ", "0/0/1980", "0:0:0", "0/0/1980    00:00:00"},       // not hexadecimal
  };
  testing::FixedFormatter fixed;
  for (const StampCase& c : cases) {
    SCOPED_TRACE(c.digits);
    const PackedStamp stamp = PackedStamp::Decode(c.digits);
    EXPECT_EQ(stamp.DateText(), c.date_text);
    EXPECT_EQ(stamp.TimeText(), c.time_text);
    EXPECT_EQ(stamp.RenderedDate(fixed) + "    " + stamp.RenderedTime(fixed), c.listed);
  }
}

TEST(BuildLists, EmptyRawListsLeaveTheListsAlone) {
  ConversionState state;
  state.ExitList = "kept\r\n";
  testing::FixedFormatter fixed;
  BuildExitList(state, fixed);
  BuildEntryList(state, fixed);
  EXPECT_EQ(state.ExitList, "kept\r\n");
  EXPECT_EQ(state.EntryList, "");
}

// A stamp cut from a short record may hold a carriage return of its own; it is still one
// line of the list, so each count matches the lines of its list.
TEST(BuildLists, AStampHoldingACarriageReturnIsStillOneLine) {
  const struct {
    const char* text;
    const char* entries;
    const char* exits;
  } cases[] = {
      {"$3E654A3B@$3E65$4A3B@", "05/03/2011    09:17:54\r\n0/5/2009    09:17:54\r\n", ""},
      {"$123456789$1#", "", "24/03/2023    01:00:02\r\n"},  // the first stamp holds it
  };
  testing::FixedFormatter fixed;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ConversionState state;
    state.FileText = c.text;
    RunScans(state);
    BuildExitList(state, fixed);
    BuildEntryList(state, fixed);
    EXPECT_EQ(state.EntryList, c.entries);
    EXPECT_EQ(state.ExitList, c.exits);
  }
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

// Well-formed stamps take a direct path through the two words; it must give what the six
// overlapping slices give for every eight hexadecimal digits.
TEST(PackedStamp, DirectDecodeAgreesWithTheSliceRule) {
  std::uint32_t state = 12345;
  const char* digits = "0123456789ABCDEFabcdef";
  for (int i = 0; i < 20000; ++i) {
    std::string stamp;
    for (int k = 0; k < 8; ++k) {
      state = state * 1103515245u + 12345u;
      stamp.push_back(digits[(state >> 16) % 22]);
    }
    const auto x = [&](std::size_t at) { return HexByte(std::string_view(stamp).substr(at, 2)); };
    const PackedStamp decoded = PackedStamp::Decode(stamp);
    ASSERT_EQ(decoded.Year, (x(0) & 0xFE) / 2 + 1980) << stamp;
    ASSERT_EQ(decoded.Month, (x(1) & 0x1E) / 2) << stamp;
    ASSERT_EQ(decoded.Day, x(2) & 0x1F) << stamp;
    ASSERT_EQ(decoded.Hour, (x(4) & 0xF8) / 8) << stamp;
    ASSERT_EQ(decoded.Minute, (x(5) & 0x7E) / 2) << stamp;
    ASSERT_EQ(decoded.Second, (x(6) & 0x1F) * 2) << stamp;
  }
}

// Many records share few days and seconds: the lists must still render each one right,
// including renders longer than the short texts usually are.
class LongFormatter final : public RegionalFormatter {
 public:
  std::string ShortDate(std::chrono::year_month_day d) const override {
    return "the day " + std::to_string(static_cast<unsigned>(d.day())) + " of a long month";
  }
  std::string LongTime(TimeOfDay t) const override {
    return std::to_string(t.hours().count()) + "h" + std::to_string(t.seconds().count());
  }
};

TEST(BuildLists, RepeatedAndLongRendersComeOutRight) {
  ConversionState state;
  for (int i = 0; i < 3; ++i) state.FileText += "$3E654A3B@$3E664A3B@$FFFFFFFF@";
  ScanEvents(state);
  ScanEntries(state);
  BuildEntryList(state, LongFormatter());
  const std::string three =
      "the day 5 of a long month    9h54\r\nthe day 6 of a long month    9h54\r\n"
      "31/15/2107    31:63:62\r\n";
  EXPECT_EQ(state.EntryList, three + three + three);
}

}  // namespace
}  // namespace tarvex

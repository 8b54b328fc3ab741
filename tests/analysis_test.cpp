// What the counts say about the traffic, on downloads built for the edges: the days of a
// period, the averages, the peaks per direction, the calibrated occupancy, and several
// downloads read as one record. Every expected figure is worked out by hand from the rules in
// count_analysis.h.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/count_analysis.h"

namespace tarvex {
namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using Days = std::vector<std::chrono::year_month_day>;
using Records = std::vector<RecordRef>;

std::chrono::year_month_day Date(int y, unsigned m, unsigned d) {
  return {year{y}, month{m}, day{d}};
}

// A passage record: "$", its stamp, and '@' (entry) or '#' (exit).
std::string Record(int y, int mo, int d, int h, int mi, int s, char direction) {
  char text[16];
  std::snprintf(text, sizeof text, "$%08X%c",
                static_cast<unsigned>(Stamp::FromFields(y, mo, d, h, mi, s)->Key()), direction);
  return text;
}

struct Download {
  Download(std::string records, std::string date)
      : text(std::move(records)), passages(CollectPassages(text)), downloaded(std::move(date)) {}
  AnalyzedDownload Analyzed() const { return {text, passages, downloaded}; }
  std::string text;
  std::vector<Passage> passages;
  std::string downloaded;
};

std::string Shown(std::optional<Stamp> stamp) {
  return stamp ? stamp->DateText() + " " + stamp->TimeText() : "none";
}

// A week from Friday 25/02/2028 10:00 to Thursday 02/03/2028 08:30 (the download date, after
// the last passage), over 29 February: both ends partial, the days between complete, the
// Wednesday without a passage, a weekend and three weekdays in the averages.
TEST(Analysis, ThePeriodHoldsEveryDayAndTheAveragesTheCompleteOnes) {
  const Download week(
      Record(2028, 2, 25, 10, 0, 0, '@') +                                          //
          Record(2028, 2, 26, 9, 0, 0, '@') + Record(2028, 2, 26, 9, 10, 0, '@') +  //
          Record(2028, 2, 26, 18, 0, 0, '#') +                                      //
          Record(2028, 2, 27, 12, 0, 0, '#') +                                      //
          Record(2028, 2, 28, 7, 0, 0, '@') + Record(2028, 2, 28, 7, 20, 0, '@') +  //
          Record(2028, 2, 28, 17, 0, 0, '#') +                                      //
          Record(2028, 2, 29, 8, 0, 0, '@') + Record(2028, 2, 29, 23, 59, 58, '#') +
          Record(2028, 3, 2, 6, 0, 0, '#'),
      "02/03/2028 08:30:00");
  const CountAnalysis a = AnalyzeCounts(week.text, week.passages, week.downloaded);
  EXPECT_EQ(Shown(a.period_start), "25/2/2028 10:0:0");
  EXPECT_EQ(Shown(a.period_end), "2/3/2028 8:30:0");
  const struct {
    std::chrono::year_month_day date;
    std::chrono::weekday weekday;
    Coverage coverage;
    int entries, exits, start, max, max_second, min, end;
  } days[] = {
      {Date(2028, 2, 25), std::chrono::Friday, Coverage::kPartial, 1, 0, 0, 1, 36000, 0, 1},
      {Date(2028, 2, 26), std::chrono::Saturday, Coverage::kComplete, 2, 1, 1, 3, 33000, 1, 2},
      {Date(2028, 2, 27), std::chrono::Sunday, Coverage::kComplete, 0, 1, 2, 2, 0, 1, 1},
      {Date(2028, 2, 28), std::chrono::Monday, Coverage::kComplete, 2, 1, 1, 3, 26400, 1, 2},
      {Date(2028, 2, 29), std::chrono::Tuesday, Coverage::kComplete, 1, 1, 2, 3, 28800, 2, 2},
      {Date(2028, 3, 1), std::chrono::Wednesday, Coverage::kComplete, 0, 0, 2, 2, 0, 2, 2},
      {Date(2028, 3, 2), std::chrono::Thursday, Coverage::kPartial, 0, 1, 2, 2, 0, 1, 1},
  };
  ASSERT_EQ(a.days.size(), std::size(days));
  for (std::size_t i = 0; i < a.days.size(); ++i) {
    const DayCounts& d = a.days[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(d.date, days[i].date);
    EXPECT_EQ(d.weekday, days[i].weekday);
    EXPECT_EQ(d.coverage, days[i].coverage);
    EXPECT_EQ(std::pair(d.entries, d.exits), std::pair(days[i].entries, days[i].exits));
    EXPECT_EQ(
        (std::vector{d.start_occupancy, d.max_occupancy, d.max_second, d.min_occupancy,
                     d.end_occupancy}),
        (std::vector{days[i].start, days[i].max, days[i].max_second, days[i].min, days[i].end}));
    EXPECT_FALSE(d.correction.has_value());
    EXPECT_FALSE(d.capacity_share.has_value());
  }
  // The Wednesday: no peak of any flow, no split; its quarters hold the occupancy carried.
  const DayCounts& empty = a.days[5];
  EXPECT_EQ(std::vector({empty.peak_start, empty.peak_volume, empty.peak_factor, empty.split}),
            std::vector({0, 0, 0, -1}));
  for (const auto& flow : empty.peaks) {
    for (const Peak& peak : flow)
      EXPECT_EQ(std::vector({peak.start, peak.volume, peak.factor}), std::vector({0, 0, 0}));
  }
  EXPECT_EQ(empty.quarters[0].occupancy, 2);
  EXPECT_EQ(empty.quarters[95].occupancy, 2);
  EXPECT_EQ(a.empty_days.count, 1);
  EXPECT_EQ(a.empty_days.first, Days{Date(2028, 3, 1)});
  // Weekdays: Monday, Tuesday (29 February) and the empty Wednesday, 3 entries and 2 exits.
  EXPECT_EQ(a.weekday.days, 3);
  EXPECT_EQ(a.weekday.totals, (std::array<std::int64_t, 2>{3, 2}));
  EXPECT_EQ(std::vector({Tenths(3, 3), Tenths(2, 3), Tenths(5, 3)}),
            (std::vector<std::int64_t>{10, 7, 17}));  // 1.0, 0.67 -> 0.7, 1.67 -> 1.7
  std::array<std::array<std::int64_t, 24>, 2> hours{};
  hours[0][7] = 2;
  hours[0][8] = 1;
  hours[1][17] = 1;
  hours[1][23] = 1;
  EXPECT_EQ(a.weekday.hours, hours);
  // The weekend: Saturday and Sunday, 2 entries and 2 exits; 1/2 = 0.5 exactly.
  EXPECT_EQ(a.weekend.days, 2);
  EXPECT_EQ(a.weekend.totals, (std::array<std::int64_t, 2>{2, 2}));
  EXPECT_EQ(Tenths(1, 2), 5);
  hours = {};
  hours[0][9] = 2;
  hours[1][12] = 1;
  hours[1][18] = 1;
  EXPECT_EQ(a.weekend.hours, hours);
  // Saturday's peaks: the earliest hour that holds both entries of 09:00-09:15 starts 08:15.
  const DayCounts& saturday = a.days[1];
  EXPECT_EQ(std::vector(
                {saturday.peak_start, saturday.peak_volume, saturday.peak_factor, saturday.split}),
            std::vector({495, 2, 25, 1000}));
  EXPECT_EQ(saturday.peaks[kBothFlows][1].start, 17 * 60 + 15);
  EXPECT_EQ(saturday.peaks[kEntryFlow][1].volume, 0);
  EXPECT_EQ(a.gaps.size(), 0u);
  EXPECT_EQ(a.repeated.count, 0);
  EXPECT_EQ(a.below_zero.count, 0);
  EXPECT_EQ(a.downloads, 1);
  EXPECT_TRUE(a.download_date_read);
}

// The morning and afternoon peaks of each flow at the edges of their starts (11:00 is the last
// morning start, 11:15 the first afternoon one, 23:00 the last), ties to the earliest, the
// factor rounded half up, and the split of the two-way peak hour.
TEST(Analysis, PeaksPerDirectionKeepToTheirStarts) {
  using Pair = std::array<Peak, 2>;
  const struct {
    std::string records;
    std::array<Pair, kFlows> peaks;  // entries, exits, both
    int peak_start, peak_volume, peak_factor, split;
  } rows[] = {
      {Record(2026, 11, 23, 11, 0, 0, '@') + Record(2026, 11, 23, 11, 59, 58, '@') +
           Record(2026, 11, 23, 23, 0, 0, '#') + Record(2026, 11, 23, 23, 59, 58, '#'),
       {Pair{Peak{660, 2, 50}, Peak{675, 1, 25}}, Pair{Peak{0, 0, 0}, Peak{1380, 2, 50}},
        Pair{Peak{660, 2, 50}, Peak{1380, 2, 50}}},
       660,
       2,
       50,
       1000},
      {Record(2026, 11, 23, 7, 15, 0, '@') + Record(2026, 11, 23, 7, 16, 0, '@') +
           Record(2026, 11, 23, 8, 10, 0, '#'),
       {Pair{Peak{390, 2, 25}, Peak{0, 0, 0}}, Pair{Peak{435, 1, 25}, Peak{0, 0, 0}},
        Pair{Peak{435, 3, 38}, Peak{0, 0, 0}}},
       435,
       3,
       38,
       667},  // 3 / (4 x 2) = 0.375; 2 of 3 = 66.67 %
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.records);
    const std::vector<Passage> passages = CollectPassages(row.records);
    const CountAnalysis a = AnalyzeCounts(row.records, passages, "");
    ASSERT_EQ(a.days.size(), 1u);
    const DayCounts& d = a.days[0];
    EXPECT_EQ(d.coverage, Coverage::kPartial);
    for (int flow = 0; flow < kFlows; ++flow) {
      for (int half = 0; half < 2; ++half) {
        const Peak& got = d.peaks[static_cast<std::size_t>(flow)][static_cast<std::size_t>(half)];
        const Peak& want =
            row.peaks[static_cast<std::size_t>(flow)][static_cast<std::size_t>(half)];
        EXPECT_EQ(std::vector({got.start, got.volume, got.factor}),
                  std::vector({want.start, want.volume, want.factor}))
            << "flow " << flow << " half " << half;
      }
    }
    EXPECT_EQ(std::vector({d.peak_start, d.peak_volume, d.peak_factor, d.split}),
              std::vector({row.peak_start, row.peak_volume, row.peak_factor, row.split}));
  }
}

// Starting at 5 with a reset at 03:00 and 4 places: the first day's reset comes in the second
// of the first passage and replaces the start, the second day's corrects a drift below zero,
// the third day's is after the download date and does not take place. At or above 90 % of 4
// places means 4 or more: 10:30-11:00 on Monday and 22:00-00:30:30 overnight, 180.5 minutes.
TEST(Analysis, TheOccupancyIsCalibratedByStartResetAndCapacity) {
  const Download park(
      Record(2026, 11, 23, 3, 0, 0, '@') + Record(2026, 11, 23, 10, 0, 0, '@') +
          Record(2026, 11, 23, 10, 0, 0, '@') + Record(2026, 11, 23, 10, 30, 0, '@') +
          Record(2026, 11, 23, 11, 0, 0, '#') + Record(2026, 11, 23, 12, 0, 0, '#') +
          Record(2026, 11, 24, 1, 0, 0, '#') + Record(2026, 11, 24, 2, 0, 0, '#') +
          Record(2026, 11, 24, 2, 30, 0, '#') + Record(2026, 11, 24, 20, 0, 0, '@') +
          Record(2026, 11, 24, 20, 0, 0, '@') + Record(2026, 11, 24, 20, 0, 0, '@') +
          Record(2026, 11, 24, 22, 0, 0, '@') + Record(2026, 11, 25, 0, 30, 30, '#'),
      "25/11/2026 02:59:59");
  const Calibration calibration{5, 3 * 60, 4};
  const CountAnalysis a = AnalyzeCounts(park.text, park.passages, park.downloaded, calibration);
  EXPECT_EQ(Shown(a.period_end), "25/11/2026 2:59:58");
  const struct {
    int start, max, max_second, min, end;
    std::optional<int> correction;
    int share;
  } days[] = {
      {5, 5, 0, 0, 2, 5, 1250},
      {2, 4, 22 * 3600, -1, 4, -1, 1000},
      {4, 4, 0, 3, 3, std::nullopt, 1000},
  };
  ASSERT_EQ(a.days.size(), std::size(days));
  for (std::size_t i = 0; i < a.days.size(); ++i) {
    const DayCounts& d = a.days[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(
        std::vector(
            {d.start_occupancy, d.max_occupancy, d.max_second, d.min_occupancy, d.end_occupancy}),
        std::vector({days[i].start, days[i].max, days[i].max_second, days[i].min, days[i].end}));
    EXPECT_EQ(d.correction, days[i].correction);
    EXPECT_EQ(d.capacity_share, days[i].share);
  }
  // Quarter ends: the reset at 03:00 belongs to 03:00-03:15.
  EXPECT_EQ(a.days[0].quarters[11].occupancy, 5);
  EXPECT_EQ(a.days[0].quarters[12].occupancy, 1);
  EXPECT_EQ(a.days[1].quarters[11].occupancy, -1);
  EXPECT_EQ(a.days[1].quarters[12].occupancy, 0);
  EXPECT_EQ(a.below_zero.first, (Records{{0, 9}}));
  EXPECT_EQ(a.lowest_occupancy, -1);
  EXPECT_EQ(a.minutes_near_capacity, 180);
  EXPECT_EQ(a.calibration.start, 5);
  // Without a capacity, no share and no minutes; a reset at 02:00 before the first passage
  // replaces the start too.
  const CountAnalysis b = AnalyzeCounts(park.text, park.passages, park.downloaded, {5, 120, {}});
  EXPECT_EQ(b.days[0].correction, 5);
  EXPECT_EQ(
      std::vector({b.days[0].max_occupancy, b.days[0].min_occupancy, b.days[0].end_occupancy}),
      std::vector({5, 0, 2}));
  EXPECT_FALSE(b.days[0].capacity_share.has_value());
  EXPECT_FALSE(b.minutes_near_capacity.has_value());
  // 02:00 on the second day comes before its exit of 02:00 (after 01:00's, 1 to correct), so
  // the day ends at 2, and 00:30:30's exit leaves 1 for the last day's reset, before its end.
  EXPECT_EQ((std::vector<std::optional<int>>{b.days[1].correction, b.days[1].end_occupancy,
                                             b.days[2].correction}),
            (std::vector<std::optional<int>>{1, 2, 1}));
  // A reset at the very moment of the download date still takes place; one that finds 0
  // reports a correction of 0.
  const Download at_three(park.text, "25/11/2026 03:00:00");
  const CountAnalysis c =
      AnalyzeCounts(at_three.text, at_three.passages, at_three.downloaded, {0, 180, {}});
  EXPECT_EQ(std::vector({c.days[0].correction, c.days[1].correction, c.days[2].correction}),
            (std::vector<std::optional<int>>{0, -1, 3}));
  EXPECT_EQ(c.days[2].end_occupancy, 0);
}

// The share of the capacity, rounded half away from zero, and the time at or above 90 % of it
// (at 90 % exactly too), in whole minutes.
TEST(Analysis, TheCapacityIsReachedAndLeft) {
  const std::string nine_then_one_out = [] {
    std::string text;
    for (int i = 0; i < 9; ++i) text += Record(2026, 11, 23, 10, 0, 0, '@');
    return text;
  }() + Record(2026, 11, 23, 10, 10, 30, '#');
  const struct {
    std::string records;
    const char* downloaded;
    int capacity;
    std::int64_t minutes;
    std::vector<std::optional<int>> shares;
  } rows[] = {
      {nine_then_one_out, "23/11/2026 11:00:00", 10, 10, {900}},  // 9 of 10: 10.5 minutes
      {nine_then_one_out, "23/11/2026 11:00:00", 11, 0, {818}},   // 9 of 11: 81.82 %
      {Record(2026, 11, 23, 10, 0, 0, '@') + Record(2026, 11, 23, 10, 0, 0, '@'),
       "23/11/2026 11:00:00",
       3,
       0,
       {667}},  // 2 of 3: 66.67 %
      {Record(2026, 11, 23, 10, 0, 0, '#'), "24/11/2026 23:00:00", 3, 0, {0, -333}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.capacity);
    const std::vector<Passage> passages = CollectPassages(row.records);
    const CountAnalysis a =
        AnalyzeCounts(row.records, passages, row.downloaded, {0, std::nullopt, row.capacity});
    EXPECT_EQ(a.minutes_near_capacity, row.minutes);
    std::vector<std::optional<int>> shares;
    for (const DayCounts& d : a.days) shares.push_back(d.capacity_share);
    EXPECT_EQ(shares, row.shares);
  }
}

// The covered stretches of several downloads, each given by its first passage and its
// download date: periods that overlap or touch are one stretch, in whatever order given; a
// day is complete (C) when one stretch holds it whole, partial (P) when one starts or ends
// on it, missing (M) otherwise.
TEST(Analysis, StretchesJoinWherePeriodsOverlapOrTouch) {
  struct Given {
    int day, hour, minute, second;
    const char* downloaded;
  };
  const struct {
    std::vector<Given> downloads;
    const char* coverage;
    std::size_t gaps;
  } rows[] = {
      {{{23, 10, 0, 0, "24/11/2026 12:00:00"}, {24, 12, 0, 0, "26/11/2026 08:00:00"}}, "PCCP", 0},
      {{{24, 12, 0, 0, "26/11/2026 08:00:00"}, {23, 10, 0, 0, "24/11/2026 12:00:00"}}, "PCCP", 0},
      {{{23, 10, 0, 0, "24/11/2026 12:00:00"}, {24, 12, 0, 2, "26/11/2026 08:00:00"}}, "PPCP", 1},
      {{{23, 10, 0, 0, "27/11/2026 10:00:00"}, {24, 10, 0, 0, "25/11/2026 10:00:00"}}, "PCCCP", 0},
      {{{23, 10, 0, 0, "23/11/2026 12:00:00"}, {25, 10, 0, 0, "25/11/2026 12:00:00"}}, "PMP", 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.coverage);
    std::vector<Download> downloads;
    downloads.reserve(row.downloads.size());
    for (const Given& g : row.downloads) {
      downloads.emplace_back(Record(2026, 11, g.day, g.hour, g.minute, g.second, '@'),
                             g.downloaded);
    }
    std::vector<AnalyzedDownload> read;
    for (const Download& d : downloads) read.push_back(d.Analyzed());
    const CountAnalysis a = AnalyzeCounts(read);
    std::string coverage;
    for (const DayCounts& d : a.days) {
      coverage += d.coverage == Coverage::kComplete  ? 'C'
                  : d.coverage == Coverage::kPartial ? 'P'
                                                     : 'M';
    }
    EXPECT_EQ(coverage, row.coverage);
    EXPECT_EQ(a.gaps.size(), row.gaps);
  }
}

// Two downloads of one counter, the second repeating the first's memory: each moment and
// direction counts as often as the download that holds it most often (equal: the first
// given), the others are left out, and the totals are not doubled.
TEST(Analysis, OverlappingDownloadsAreCountedOnce) {
  const Download first(Record(2026, 11, 23, 8, 0, 0, '@') + Record(2026, 11, 23, 8, 0, 0, '@') +
                           Record(2026, 11, 23, 9, 0, 0, '#') + Record(2026, 11, 23, 10, 0, 0, '#'),
                       "23/11/2026 12:00:00");
  const Download second(
      Record(2026, 11, 23, 8, 0, 0, '@') + Record(2026, 11, 23, 9, 0, 0, '#') +
          Record(2026, 11, 23, 9, 0, 0, '@') + Record(2026, 11, 23, 10, 0, 0, '#') +
          Record(2026, 11, 23, 10, 0, 0, '#') + Record(2026, 11, 24, 10, 0, 0, '#'),
      "24/11/2026 18:00:00");
  const CountAnalysis a = AnalyzeCounts({first.Analyzed(), second.Analyzed()});
  EXPECT_EQ(a.repeated.count, 3);
  EXPECT_EQ(a.repeated.first, (Records{{1, 1}, {1, 2}, {0, 4}}));
  EXPECT_EQ(std::vector({a.records, a.entries, a.exits}), (std::vector<std::int64_t>{10, 3, 4}));
  EXPECT_EQ(Shown(a.period_start), "23/11/2026 8:0:0");
  EXPECT_EQ(Shown(a.period_end), "24/11/2026 18:0:0");
  ASSERT_EQ(a.days.size(), 2u);
  EXPECT_EQ(std::vector({a.days[0].entries, a.days[0].exits, a.days[1].entries, a.days[1].exits}),
            std::vector({3, 3, 0, 1}));
  EXPECT_EQ(a.days[0].coverage, Coverage::kPartial);
  EXPECT_EQ(a.days[1].coverage, Coverage::kPartial);
  // 09:00: the first's exit, then the second's entry: the occupancy never reaches 3.
  EXPECT_EQ(a.days[0].max_occupancy, 2);
  EXPECT_EQ(a.days[0].end_occupancy, 0);
  EXPECT_EQ(a.below_zero.first, (Records{{1, 6}}));
  // Each download's records against its own: no clock going back, none after its date.
  EXPECT_EQ(std::vector({a.clock_back.count, a.after_download.count}),
            (std::vector<std::int64_t>{0, 0}));
  EXPECT_EQ(a.gaps.size(), 0u);
  EXPECT_EQ(a.downloads, 2);
  EXPECT_TRUE(a.download_date_read);
}

// Two downloads with two days between them that neither covers: those days are missing,
// the gap runs from the first's download date to the second's first passage, and the
// occupancy carries across it; the time near the capacity counts within the covered stretches
// only. The checks name each download's records.
TEST(Analysis, DownloadsWithAGapLeaveDaysMissing) {
  const Download before(Record(2026, 11, 23, 10, 0, 0, '@') + "$00000000@", "23/11/2026 12:00:00");
  const Download after(Record(2026, 11, 26, 14, 0, 0, '#') + Record(2026, 11, 27, 9, 0, 0, '#') +
                           Record(2026, 11, 27, 8, 0, 0, '#'),
                       "27/11/2026 10:00:00");
  const CountAnalysis a = AnalyzeCounts({before.Analyzed(), after.Analyzed()}, {0, {}, 1});
  ASSERT_EQ(a.gaps.size(), 1u);
  EXPECT_EQ(Shown(a.gaps[0].from) + " - " + Shown(a.gaps[0].to),
            "23/11/2026 12:0:0 - 26/11/2026 14:0:0");
  const struct {
    Coverage coverage;
    int entries, exits, start, max, min, end;
    std::optional<int> share;
  } days[] = {
      {Coverage::kPartial, 1, 0, 0, 1, 0, 1, 1000},
      {Coverage::kMissing, 0, 0, 1, 1, 1, 1, std::nullopt},
      {Coverage::kMissing, 0, 0, 1, 1, 1, 1, std::nullopt},
      {Coverage::kPartial, 0, 1, 1, 1, 0, 0, 1000},
      {Coverage::kPartial, 0, 2, 0, 0, -2, -2, 0},
  };
  ASSERT_EQ(a.days.size(), std::size(days));
  for (std::size_t i = 0; i < a.days.size(); ++i) {
    const DayCounts& d = a.days[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(d.coverage, days[i].coverage);
    EXPECT_EQ(std::vector({d.entries, d.exits, d.start_occupancy, d.max_occupancy, d.min_occupancy,
                           d.end_occupancy}),
              std::vector({days[i].entries, days[i].exits, days[i].start, days[i].max, days[i].min,
                           days[i].end}));
    EXPECT_EQ(d.capacity_share, days[i].share);
  }
  EXPECT_EQ(a.minutes_near_capacity, 120);  // 10:00-12:00 on the 23rd, not the days between
  EXPECT_EQ(a.below_zero.first, (Records{{1, 3}, {1, 2}}));
  EXPECT_EQ(a.lowest_occupancy, -2);
  EXPECT_EQ(a.invalid.first, (Records{{0, 2}}));
  EXPECT_EQ(a.clock_back.first, (Records{{1, 3}}));
  EXPECT_EQ(std::vector({a.weekday.days, a.weekend.days}), std::vector({0, 0}));
  EXPECT_EQ(a.empty_days.count, 0);
  EXPECT_EQ(std::vector({a.records, a.entries, a.exits}), (std::vector<std::int64_t>{5, 1, 3}));
  EXPECT_TRUE(a.download_date_read);
  const Download unread(after.text, "27-11-2026 10:00:00");
  EXPECT_FALSE(AnalyzeCounts({before.Analyzed(), unread.Analyzed()}).download_date_read);
}

// The header that stands for several downloads: the latest download date that reads, to the
// second (of equal ones the last given), or the last given when none reads.
TEST(Analysis, TheLatestDownloadDateGivesTheRecordsHeader) {
  const struct {
    std::vector<const char*> dates;
    std::size_t header;
  } rows[] = {
      {{"23/11/2026 12:00:00", "24/11/2026 18:00:00"}, 1},
      {{"24/11/2026 18:00:00", "23/11/2026 12:00:00"}, 0},
      {{"24/11/2026 18:00:00", "24/11/2026 18:00:00"}, 1},
      {{"24/11/2026 18:00:01", "24/11/2026 18:00:00"}, 0},
      {{"24/11/2026 18:00:00", "bad", "23/11/2026 12:00:00"}, 0},
      {{"bad", "31/02/2026 00:00:00"}, 1},
  };
  const std::vector<Passage> none;
  for (const auto& row : rows) {
    std::vector<AnalyzedDownload> downloads;
    for (const char* date : row.dates) downloads.push_back({"", none, date});
    EXPECT_EQ(RecordHeader(downloads), row.header) << row.dates.front();
  }
}

}  // namespace
}  // namespace tarvex

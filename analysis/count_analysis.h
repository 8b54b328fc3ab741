#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "conversion/passages.h"

namespace tarvex {

// What the counts of one download, or of several downloads of one counter read as one record,
// say, as people who keep vehicle counters read them: traffic by interval, hour, day and
// direction, the peak hours, the occupancy, and checks on the data.
//
// A passage is one "$" record (see Passage): valid when its stamp is (Stamp::Valid), as the
// lists show it; only valid passages with a direction are counted. Intervals are clock
// intervals of the counter's local time from 00:00.
//
// The period of a download runs from its first valid passage with a direction (in time order)
// to the later of its download date (when it reads, see download_date_read) and its last such
// passage. Its days are every calendar day from the period's first to its last, days without
// a passage included: the first and the last are partial, the days between complete. Several
// downloads read as one record cover the union of their periods, in stretches: a day is
// complete when one stretch holds it whole (starts on an earlier day and ends on a later one),
// partial when a stretch starts or ends in it, missing when no stretch touches it.
//
// The occupancy starts at Calibration::start before the first counted passage, +1 for each
// entry and -1 for each exit in time order (equal times: download order, then record order),
// continuing across days; with a daily reset it is set to 0 at that clock time on every day
// of the record but a missing one (and never after the record's end; a reset before the first
// passage replaces the starting value); a reset comes before the passages of its own second.
// An interval's occupancy is its value at the interval's end.

constexpr int kQuartersADay = 96;

// How the occupancy is set: where it starts, a clock time at which it is known to be 0 every
// day, and the car park's capacity.
struct Calibration {
  int start = 0;
  std::optional<int> reset_minute;  // minutes from 00:00, 0-1439
  std::optional<int> capacity;      // places, > 0
};

// One quarter of an hour of a day.
struct Quarter {
  int entries = 0;
  int exits = 0;
  int occupancy = 0;  // at its end
};

enum class Coverage { kComplete, kPartial, kMissing };

// The three ways a day's traffic is read: entries alone, exits alone, both.
enum Flow { kEntryFlow = 0, kExitFlow = 1, kBothFlows = 2 };
constexpr int kFlows = 3;

// A peak hour: the 60 minutes from a quarter's start with the most passages of a flow within
// the starts allowed (ties: the earliest), its volume, and its peak-hour factor in hundredths
// (see PeakHourFactor). A volume of 0 is no peak: its start and factor are not shown.
struct Peak {
  int start = 0;  // minutes from 00:00
  int volume = 0;
  int factor = 0;
};

// The starts of a morning peak hour (00:00 to 11:00) and of an afternoon one (11:15 to 23:00),
// as quarters of the day.
constexpr int kLastMorningStart = 44;
constexpr int kLastAfternoonStart = 92;

struct DayCounts {
  std::chrono::year_month_day date;
  std::chrono::weekday weekday;
  Coverage coverage = Coverage::kComplete;
  std::array<Quarter, kQuartersADay> quarters;
  int entries = 0;
  int exits = 0;
  // The day's peak hour, two-way, starts 00:00 to 23:00 (its start, volume and factor).
  int peak_start = 0;  // minutes from 00:00
  int peak_volume = 0;
  int peak_factor = 0;
  // The morning [0] and afternoon [1] peak hours of each flow.
  std::array<std::array<Peak, 2>, kFlows> peaks;
  // The larger direction's share of the peak hour's volume, in tenths of a percent
  // (half up); -1 when that volume is 0.
  int split = -1;
  // The occupancy over the day: every value it holds, the value it starts with (on the
  // record's first day the starting occupancy) and a reset's 0 included; its maximum and the
  // second of the day it is first reached, its minimum, and its value at the day's end (or at
  // the record's end, on its last day). Nothing of this is meaningful on a missing day.
  int start_occupancy = 0;
  int max_occupancy = 0;
  int max_second = 0;
  int min_occupancy = 0;
  int end_occupancy = 0;
  // The value the day's reset replaced, when one took place on it.
  std::optional<int> correction;
  // With a capacity: the maximum as a share of it, in tenths of a percent (half up).
  std::optional<int> capacity_share;
};

// A record named by a check: its download (0 for the first given) and its number in it (from 1).
struct RecordRef {
  int download = 0;
  std::int64_t record = 0;
  bool operator==(const RecordRef&) const = default;
};

// A check on the data: how many records it finds, and the first five of them.
struct Check {
  std::int64_t count = 0;
  std::vector<RecordRef> first;
  void Add(std::int64_t record, int download = 0);
};

// A check that finds days: how many, and the first five.
struct DayCheck {
  std::int64_t count = 0;
  std::vector<std::chrono::year_month_day> first;
  void Add(std::chrono::year_month_day day);
};

// A stretch of time no download covers, between two covered ones: from the end of the one
// before to the start of the one after.
struct Gap {
  Stamp from;
  Stamp to;
};

// An average day of a kind (weekdays, Monday to Friday; weekend days): the number of complete
// days of that kind, and the sums over them of each direction's passages, for the whole day
// and for each hour. The means are these sums over `days` (see Tenths); with no complete day
// of the kind there is no average.
struct AverageDay {
  int days = 0;
  std::array<std::int64_t, 2> totals{};                 // entries, exits
  std::array<std::array<std::int64_t, 24>, 2> hours{};  // entries, exits by hour
};

struct CountAnalysis {
  std::int64_t records = 0;  // "$" records, of every download
  std::int64_t entries = 0;  // valid entries and exits counted
  std::int64_t exits = 0;
  // The record's period: its first passage counted and its end; none without a passage.
  std::optional<Stamp> period_start;
  std::optional<Stamp> period_end;
  std::vector<DayCounts> days;      // every day of the period, in date order
  Check invalid;                    // dates or times that are not valid
  Check no_direction;               // neither "@" nor "#"
  Check clock_back;                 // earlier than a valid passage before them in record order
  Check after_download;             // later than the download date
  bool download_date_read = false;  // every download's date reads as dd/mm/yyyy hh:mm:ss
  Check below_zero;                 // the occupancy below zero after them, in time order
  int lowest_occupancy = 0;
  DayCheck empty_days;    // complete days without a passage
  Check repeated;         // passages left out as another download's (combined only)
  std::vector<Gap> gaps;  // stretches without data (combined only)
  AverageDay weekday;
  AverageDay weekend;
  // With a capacity: the whole minutes (truncated) the occupancy stood at or above 90% of it
  // within the covered stretches.
  std::optional<std::int64_t> minutes_near_capacity;
  Calibration calibration;  // as analysed
  int downloads = 1;        // how many downloads were read as one record
};

// One download given to the analysis: its text, its passages and its header's download date.
struct AnalyzedDownload {
  std::string_view file_text;
  const std::vector<Passage>& passages;
  std::string_view download_date;
};

// The counts of `quarters` quarters of an hour of `day` from quarter `first`: their entries
// and exits, and the occupancy at the end of the last one. Every hour and interval is counted
// through it.
Quarter Interval(const DayCounts& day, int first, int quarters);

// The peak-hour factor of an hour of `volume` passages whose busiest quarter has `largest`, in
// hundredths: volume / (4 x largest), rounded half up; 0 for an hour without passages.
int PeakHourFactor(std::int64_t volume, std::int64_t largest);

// sum / count in tenths, rounded half up (sum >= 0, count > 0): a mean with one decimal.
std::int64_t Tenths(std::int64_t sum, std::int64_t count);

// One pass over each download's passages in record order, one ordering by time of the valid
// ones with a direction, and, for several downloads read as one record, one merge of them.
// Throws ConversionError 7 on exhausted memory.
CountAnalysis AnalyzeCounts(const std::vector<AnalyzedDownload>& downloads,
                            const Calibration& calibration = {});

// The same for one download.
CountAnalysis AnalyzeCounts(std::string_view file_text, const std::vector<Passage>& passages,
                            std::string_view download_date, const Calibration& calibration = {});

// The header's download date when it reads (see download_date_read): its day, and its
// second of that day as the text has it.
struct DownloadSecond {
  std::chrono::year_month_day date;
  int second = 0;
};
std::optional<DownloadSecond> ReadDownloadSecond(std::string_view download_date);

// Of several downloads read as one record, the one whose header stands for it: the one with
// the latest download date that reads (of equal ones, the last given), or the last given when
// no date reads.
std::size_t RecordHeader(const std::vector<AnalyzedDownload>& downloads);

}  // namespace tarvex

#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

#include "conversion/passages.h"

namespace tarvex {

// What the counts of one download say, as people who keep vehicle counters read them:
// traffic by interval and direction, the peak hour, the occupancy, and checks on the data.
//
// A passage is one "$" record (see Passage): valid when its stamp is (Stamp::Valid), as the
// lists show it; only valid passages with a direction are
// counted in intervals. Intervals are clock intervals of the counter's local time from 00:00:
// a day with at least one such passage has all its intervals, zeros included; other days have
// none. The occupancy is 0 before the first valid passage in time order, +1 for each valid
// entry and -1 for each valid exit in time order (equal times: record order), continuing
// across days; an interval's occupancy is its value at the interval's end.

constexpr int kQuartersADay = 96;

// One quarter of an hour of a day.
struct Quarter {
  int entries = 0;
  int exits = 0;
  int occupancy = 0;  // at its end
};

struct DayCounts {
  std::chrono::year_month_day date;
  std::array<Quarter, kQuartersADay> quarters;
  int entries = 0;
  int exits = 0;
  // The peak hour: the 60 minutes from a quarter's start (00:00 to 23:00) with the most
  // passages (ties: the earliest), its volume, and its peak-hour factor in hundredths:
  // volume / (4 x the largest quarter in it), rounded half up to two decimals.
  int peak_start = 0;  // minutes from 00:00
  int peak_volume = 0;
  int peak_factor = 0;
  // The occupancy over the day, the value carried into it included: its maximum and the
  // second of the day it is first reached, its minimum, and its value at 24:00.
  int max_occupancy = 0;
  int max_second = 0;
  int min_occupancy = 0;
  int end_occupancy = 0;
};

// A check on the data: how many records it finds, and the first five of them (record
// numbers, from 1).
struct Check {
  std::int64_t count = 0;
  std::vector<std::int64_t> first;
  void Add(std::int64_t record);
};

struct CountAnalysis {
  std::int64_t records = 0;  // "$" records
  std::int64_t entries = 0;  // valid entries and exits
  std::int64_t exits = 0;
  std::vector<DayCounts> days;      // in date order
  Check invalid;                    // dates or times that are not valid
  Check no_direction;               // neither "@" nor "#"
  Check clock_back;                 // earlier than a valid passage before them in record order
  Check after_download;             // later than the download date
  bool download_date_read = false;  // the header's date reads as dd/mm/yyyy hh:mm:ss
  Check below_zero;                 // the occupancy below zero after them, in time order
  int lowest_occupancy = 0;
};

// The counts of `quarters` quarters of an hour of `day` from quarter `first`: their entries
// and exits, and the occupancy at the end of the last one. Every hour and interval is counted
// through it.
Quarter Interval(const DayCounts& day, int first, int quarters);

// The peak-hour factor of an hour of `volume` passages whose busiest quarter has `largest`, in
// hundredths: volume / (4 x largest), rounded half up; 0 for an hour without passages.
int PeakHourFactor(std::int64_t volume, std::int64_t largest);

// One pass over the passages in record order, and one ordering by time of the valid ones
// with a direction. `download_date` is the header's field.
// Throws ConversionError 7 on exhausted memory.
CountAnalysis AnalyzeCounts(std::string_view file_text, const std::vector<Passage>& passages,
                            std::string_view download_date);

}  // namespace tarvex

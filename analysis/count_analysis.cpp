#include "analysis/count_analysis.h"

#include <algorithm>
#include <array>
#include <optional>

#include "base/conversion_error.h"

namespace tarvex {

namespace {

// The header's download date: its first 19 characters read exactly as dd/mm/yyyy hh:mm:ss
// (two digits each for day, month, hour, minute and second, four for a year a stamp holds),
// a real date and time, whatever follows them; nothing otherwise.
std::optional<Stamp> DownloadMoment(std::string_view text) {
  constexpr std::string_view kForm = "00/00/0000 00:00:00";  // 0: a digit
  if (text.size() < kForm.size()) return std::nullopt;
  int fields[6] = {};  // day, month, year, hour, minute, second
  int field = 0;
  for (std::size_t i = 0; i < kForm.size(); ++i) {
    if (kForm[i] != '0') {
      if (text[i] != kForm[i]) return std::nullopt;
      ++field;
    } else if (text[i] < '0' || text[i] > '9') {
      return std::nullopt;
    } else {
      fields[field] = fields[field] * 10 + (text[i] - '0');
    }
  }
  return Stamp::FromFields(fields[2], fields[1], fields[0], fields[3], fields[4], fields[5]);
}

// The valid passages with a direction, by time (equal times: record order): a stable sort
// by the stamps' keys, three passes of 11 bits (a table of counts that stays in the fastest
// cache, and costs next to nothing for a small download).
struct Timed {
  Stamp when;
  std::uint32_t index;  // in the passages; kExitBit set for an exit
};
constexpr std::uint32_t kExitBit = 0x80000000u;

void SortByTime(std::vector<Timed>& items) {
  std::vector<Timed> other(items.size());
  for (const int shift : {0, 11, 22}) {
    std::array<std::uint32_t, 2049> starts{};
    for (const Timed& t : items) ++starts[((t.when.Key() >> shift) & 0x7FF) + 1];
    for (std::size_t i = 1; i < starts.size(); ++i) starts[i] += starts[i - 1];
    for (const Timed& t : items) other[starts[(t.when.Key() >> shift) & 0x7FF]++] = t;
    items.swap(other);
  }
}

// Fills in a day from its quarters' passages and the occupancy carried into it: each
// quarter's occupancy at its end, and the peak hour.
void FinishDay(DayCounts& day, int carried) {
  int occupancy = carried;
  for (Quarter& quarter : day.quarters) {
    occupancy += quarter.entries - quarter.exits;
    quarter.occupancy = occupancy;
  }
  const auto volume = [&](int q) { return day.quarters[q].entries + day.quarters[q].exits; };
  for (int start = 0; start + 4 <= kQuartersADay; ++start) {
    const Quarter hour = Interval(day, start, 4);
    if (hour.entries + hour.exits > day.peak_volume) {
      day.peak_volume = hour.entries + hour.exits;
      day.peak_start = start * 15;
    }
  }
  int largest = 0;
  for (int q = day.peak_start / 15; q < day.peak_start / 15 + 4; ++q) {
    largest = std::max(largest, volume(q));
  }
  day.peak_factor = PeakHourFactor(day.peak_volume, largest);
}

}  // namespace

Quarter Interval(const DayCounts& day, int first, int quarters) {
  Quarter interval;
  for (int q = first; q < first + quarters; ++q) {
    interval.entries += day.quarters[static_cast<std::size_t>(q)].entries;
    interval.exits += day.quarters[static_cast<std::size_t>(q)].exits;
  }
  interval.occupancy = day.quarters[static_cast<std::size_t>(first + quarters - 1)].occupancy;
  return interval;
}

int PeakHourFactor(std::int64_t volume, std::int64_t largest) {
  // volume / (4 x largest) x 100 + 1/2, rounded down: (200 volume + 4 largest) / (8 largest).
  // At most 100 (largest >= volume / 4), so the result fits; the terms need 64 bits.
  if (largest <= 0) return 0;
  return static_cast<int>((200 * volume + 4 * largest) / (8 * largest));
}

void Check::Add(std::int64_t record, int download) {
  ++count;
  if (first.size() < 5) first.push_back({download, record});
}

void DayCheck::Add(std::chrono::year_month_day day) {
  ++count;
  if (first.size() < 5) first.push_back(day);
}

std::int64_t Tenths(std::int64_t sum, std::int64_t count) {
  return (20 * sum + count) / (2 * count);
}

CountAnalysis AnalyzeCounts(const std::vector<AnalyzedDownload>& downloads,
                            const Calibration& calibration) {
  // TODO: several downloads as one record.
  CountAnalysis result = AnalyzeCounts(downloads.front().file_text, downloads.front().passages,
                                       downloads.front().download_date, calibration);
  result.downloads = static_cast<int>(downloads.size());
  return result;
}

CountAnalysis AnalyzeCounts(std::string_view file_text, const std::vector<Passage>& passages,
                            std::string_view download_date, const Calibration& calibration) {
  return WithMemoryFailure([&] {
    CountAnalysis result;
    result.records = static_cast<std::int64_t>(passages.size());
    const std::optional<Stamp> downloaded = DownloadMoment(download_date);
    result.download_date_read = downloaded.has_value();
    // One pass in record order: the checks that follow the records, and the passages to count.
    std::vector<Timed> counted;
    counted.reserve(passages.size());
    std::optional<std::uint32_t> latest;  // the key of the latest valid moment so far
    for (std::size_t i = 0; i < passages.size(); ++i) {
      const std::int64_t record = static_cast<std::int64_t>(i) + 1;
      const Stamp when = passages[i].stamp;
      const Direction direction = DirectionOf(file_text, passages[i]);
      if (direction == Direction::kNone) result.no_direction.Add(record);
      if (!when.Valid()) {
        result.invalid.Add(record);
        continue;
      }
      const std::uint32_t key = when.Key();
      if (latest && key < *latest) result.clock_back.Add(record);
      latest = std::max(latest.value_or(key), key);
      // (A download date's odd second stands for the even one before it: see FromFields.)
      if (downloaded && key > downloaded->Key()) result.after_download.Add(record);
      if (direction != Direction::kNone) {
        counted.push_back({when, static_cast<std::uint32_t>(i) |
                                     (direction == Direction::kExit ? kExitBit : 0u)});
      }
    }
    // One ordering by time: intervals, peak hours and occupancy.
    SortByTime(counted);
    int occupancy = 0;
    int carried = 0;            // into the day being counted
    std::uint32_t day_key = 0;  // of the day being counted
    for (const Timed& t : counted) {
      const Stamp when = t.when;
      if (result.days.empty() || when.DayKey() != day_key) {
        if (!result.days.empty()) FinishDay(result.days.back(), carried);
        carried = occupancy;
        day_key = when.DayKey();
        DayCounts day;
        day.date = when.Date();
        day.weekday = std::chrono::weekday{std::chrono::sys_days{day.date}};
        day.max_occupancy = day.min_occupancy = day.end_occupancy = occupancy;
        result.days.push_back(day);
      }
      DayCounts& day = result.days.back();
      const int quarter = when.SecondOfDay() / 900;
      if ((t.index & kExitBit) == 0) {
        ++occupancy;
        ++day.entries;
        ++day.quarters[quarter].entries;
        ++result.entries;
      } else {
        --occupancy;
        ++day.exits;
        ++day.quarters[quarter].exits;
        ++result.exits;
      }
      if (occupancy > day.max_occupancy) {
        day.max_occupancy = occupancy;
        day.max_second = when.SecondOfDay();
      }
      day.min_occupancy = std::min(day.min_occupancy, occupancy);
      day.end_occupancy = occupancy;
      if (occupancy < 0) {
        result.below_zero.Add(std::int64_t{t.index & ~kExitBit} + 1);
        result.lowest_occupancy = std::min(result.lowest_occupancy, occupancy);
      }
    }
    if (!result.days.empty()) FinishDay(result.days.back(), carried);
    result.calibration = calibration;
    return result;
  });
}

}  // namespace tarvex

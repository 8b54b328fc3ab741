#include "analysis/count_analysis.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

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

// The calendar day of a valid stamp.
std::chrono::sys_days DayOf(Stamp when) {
  return std::chrono::sys_days{when.Date()};
}

// Moments of a record as seconds from 00:00 of its first day.
using Seconds = std::int64_t;
constexpr Seconds kDaySeconds = 86400;

// A covered stretch, from its first moment to its last.
struct Span {
  Seconds from;
  Seconds to;
};

// The one pass over a download in record order: the checks that follow its records (added to
// the record's, naming download `index`), and its valid passages with a direction.
std::vector<Timed> ReadDownload(const AnalyzedDownload& download, int index,
                                const std::optional<Stamp>& downloaded, CountAnalysis& result) {
  const std::vector<Passage>& passages = download.passages;
  result.records += static_cast<std::int64_t>(passages.size());
  std::vector<Timed> counted;
  counted.reserve(passages.size());
  std::optional<std::uint32_t> latest;  // the key of the latest valid moment so far
  for (std::size_t i = 0; i < passages.size(); ++i) {
    const std::int64_t record = static_cast<std::int64_t>(i) + 1;
    const Stamp when = passages[i].stamp;
    const Direction direction = DirectionOf(download.file_text, passages[i]);
    if (direction == Direction::kNone) result.no_direction.Add(record, index);
    if (!when.Valid()) {
      result.invalid.Add(record, index);
      continue;
    }
    const std::uint32_t key = when.Key();
    if (latest && key < *latest) result.clock_back.Add(record, index);
    latest = std::max(latest.value_or(key), key);
    // (A download date's odd second stands for the even one before it: see FromFields.)
    if (downloaded && key > downloaded->Key()) result.after_download.Add(record, index);
    if (direction != Direction::kNone) {
      counted.push_back(
          {when, static_cast<std::uint32_t>(i) | (direction == Direction::kExit ? kExitBit : 0u)});
    }
  }
  return counted;
}

// A day's peak hours from its quarters' passages: the two-way one (starts 00:00 to 23:00) with
// its split, and each flow's morning and afternoon ones.
void FindPeaks(DayCounts& day) {
  if (day.entries + day.exits == 0) return;  // no peak, no split
  const auto count = [&](int flow, int q) {
    const Quarter& quarter = day.quarters[static_cast<std::size_t>(q)];
    return flow == kEntryFlow  ? quarter.entries
           : flow == kExitFlow ? quarter.exits
                               : quarter.entries + quarter.exits;
  };
  for (int flow = 0; flow < kFlows; ++flow) {
    auto& peaks = day.peaks[static_cast<std::size_t>(flow)];
    int hour = count(flow, 0) + count(flow, 1) + count(flow, 2);
    for (int start = 0; start <= kLastAfternoonStart; ++start) {
      hour += count(flow, start + 3);
      Peak& peak = peaks[start <= kLastMorningStart ? 0 : 1];
      if (hour > peak.volume) peak = {start * 15, hour, 0};
      if (flow == kBothFlows && hour > day.peak_volume) {
        day.peak_volume = hour;
        day.peak_start = start * 15;
      }
      hour -= count(flow, start);
    }
    const auto largest = [&](int start) {
      int most = 0;
      for (int q = start / 15; q < start / 15 + 4; ++q) most = std::max(most, count(flow, q));
      return most;
    };
    for (Peak& peak : peaks) peak.factor = PeakHourFactor(peak.volume, largest(peak.start));
    if (flow == kBothFlows) {
      day.peak_factor = PeakHourFactor(day.peak_volume, largest(day.peak_start));
    }
  }
  const Quarter hour = Interval(day, day.peak_start / 15, 4);
  const std::int64_t larger = std::max(hour.entries, hour.exits);
  day.split =
      static_cast<int>((2000 * larger + day.peak_volume) / (2 * std::int64_t{day.peak_volume}));
}

// Walks the days of a record in order, given its counted passages in time order: counts them
// into their days and quarters, and follows the occupancy with its resets, each day's figures,
// the averages and the time near the capacity.
class DayWalker {
 public:
  DayWalker(CountAnalysis& result, std::vector<Span> stretches, std::chrono::sys_days first)
      : result_(result),
        calibration_(result.calibration),
        stretches_(std::move(stretches)),
        first_(first),
        end_(stretches_.back().to),
        occupancy_(calibration_.start) {
    near_ = Near();
    Open();
  }

  void Passage(Stamp when, bool exit, RecordRef ref) {
    if (!keyed_ || when.DayKey() != day_key_) {
      const auto index = static_cast<std::size_t>((DayOf(when) - first_).count());
      while (index_ < index) {
        Close();
        ++index_;
        Open();
      }
      day_key_ = when.DayKey();
      keyed_ = true;
    }
    const int second = when.SecondOfDay();
    if (reset_second_ && *reset_second_ <= second) Reset();
    const int quarter = second / 900;
    FillTo(quarter);
    if (calibration_.capacity) Account(second);
    DayCounts& day = result_.days[index_];
    Quarter& counts = day.quarters[static_cast<std::size_t>(quarter)];
    if (exit) {
      --occupancy_;
      ++day.exits;
      ++counts.exits;
      ++result_.exits;
    } else {
      ++occupancy_;
      ++day.entries;
      ++counts.entries;
      ++result_.entries;
    }
    Took(second);
    if (occupancy_ < 0) {
      result_.below_zero.Add(ref.record, ref.download);
      result_.lowest_occupancy = std::min(result_.lowest_occupancy, occupancy_);
    }
  }

  // After the last passage: the days left, and the time near the capacity to the record's end.
  void Finish() {
    while (index_ + 1 < result_.days.size()) {
      Close();
      ++index_;
      Open();
    }
    Close();
    if (calibration_.capacity) {
      if (near_) near_seconds_ += Covered(since_, end_);
      result_.minutes_near_capacity = near_seconds_ / 60;
    }
  }

 private:
  bool Near() const {
    return calibration_.capacity &&
           std::int64_t{occupancy_} * 10 >= std::int64_t{*calibration_.capacity} * 9;
  }

  // The time of [from, to) within the covered stretches (moments come in order).
  Seconds Covered(Seconds from, Seconds to) {
    while (stretch_ < stretches_.size() && stretches_[stretch_].to <= from) ++stretch_;
    Seconds covered = 0;
    for (std::size_t s = stretch_; s < stretches_.size() && stretches_[s].from < to; ++s) {
      covered +=
          std::max<Seconds>(0, std::min(to, stretches_[s].to) - std::max(from, stretches_[s].from));
    }
    return covered;
  }

  // Before the occupancy changes at `second` of the day: the time near the capacity so far.
  void Account(int second) {
    const Seconds at = static_cast<Seconds>(index_) * kDaySeconds + second;
    if (near_) near_seconds_ += Covered(since_, at);
    since_ = at;
  }

  // After the occupancy took a value at `second` of the day.
  void Took(int second) {
    DayCounts& day = result_.days[index_];
    if (occupancy_ > day.max_occupancy) {
      day.max_occupancy = occupancy_;
      day.max_second = second;
    }
    day.min_occupancy = std::min(day.min_occupancy, occupancy_);
    if (calibration_.capacity) near_ = Near();
  }

  // The occupancy at the end of each quarter before `quarter`.
  void FillTo(int quarter) {
    DayCounts& day = result_.days[index_];
    for (; filled_ < quarter; ++filled_) {
      day.quarters[static_cast<std::size_t>(filled_)].occupancy = occupancy_;
    }
  }

  void Reset() {
    const int second = *reset_second_;
    reset_second_.reset();
    FillTo(second / 900);
    if (calibration_.capacity) Account(second);
    result_.days[index_].correction = occupancy_;
    occupancy_ = 0;
    Took(second);
  }

  void Open() {
    DayCounts& day = result_.days[index_];
    day.start_occupancy = day.max_occupancy = day.min_occupancy = occupancy_;
    day.max_second = 0;
    filled_ = 0;
    reset_second_.reset();
    if (calibration_.reset_minute && day.coverage != Coverage::kMissing &&
        static_cast<Seconds>(index_) * kDaySeconds + *calibration_.reset_minute * 60 <= end_) {
      reset_second_ = *calibration_.reset_minute * 60;
    }
  }

  void Close() {
    if (reset_second_) Reset();
    FillTo(kQuartersADay);
    DayCounts& day = result_.days[index_];
    day.end_occupancy = occupancy_;
    if (day.coverage == Coverage::kMissing) return;
    FindPeaks(day);
    if (calibration_.capacity) {
      const std::int64_t most = day.max_occupancy, capacity = *calibration_.capacity;
      day.capacity_share =
          static_cast<int>(most >= 0 ? (2000 * most + capacity) / (2 * capacity)
                                     : -((2000 * -most + capacity) / (2 * capacity)));
    }
    if (day.coverage != Coverage::kComplete) return;
    if (day.entries + day.exits == 0) result_.empty_days.Add(day.date);
    const bool weekend = day.weekday == std::chrono::Saturday || day.weekday == std::chrono::Sunday;
    AverageDay& average = weekend ? result_.weekend : result_.weekday;
    ++average.days;
    average.totals[0] += day.entries;
    average.totals[1] += day.exits;
    for (std::size_t q = 0; q < day.quarters.size(); ++q) {
      average.hours[0][q / 4] += day.quarters[q].entries;
      average.hours[1][q / 4] += day.quarters[q].exits;
    }
  }

  CountAnalysis& result_;
  const Calibration calibration_;
  const std::vector<Span> stretches_;
  const std::chrono::sys_days first_;
  const Seconds end_;          // the record's end
  std::size_t index_ = 0;      // of the day being walked
  std::uint32_t day_key_ = 0;  // its stamps' DayKey, once a passage has been on it
  bool keyed_ = false;
  int occupancy_;
  int filled_ = 0;                   // quarters of the day whose occupancy is set
  std::optional<int> reset_second_;  // the day's reset, still to come
  bool near_ = false;                // the occupancy at or above 90% of the capacity
  Seconds since_ = 0;                // when it last changed
  std::size_t stretch_ = 0;          // the first stretch not yet behind
  Seconds near_seconds_ = 0;
};

// The downloads' counted passages merged in time order (equal times: download order, then
// record order) into `walker`. Of a moment and direction held by several downloads, only the
// download that holds it most often (equal: the first given) keeps it; the others' are left
// out as repeated.
void MergeDownloads(const std::vector<std::vector<Timed>>& counted, DayWalker& walker,
                    CountAnalysis& result) {
  struct Held {
    int download;
    Timed passage;
  };
  std::vector<std::size_t> next(counted.size(), 0);
  std::vector<std::array<int, 2>> held(counted.size(), {0, 0});  // in the moment, by direction
  std::vector<Held> moment;
  for (;;) {
    std::optional<std::uint32_t> key;
    for (std::size_t d = 0; d < counted.size(); ++d) {
      if (next[d] < counted[d].size()) {
        const std::uint32_t k = counted[d][next[d]].when.Key();
        if (!key || k < *key) key = k;
      }
    }
    if (!key) return;
    moment.clear();
    for (std::size_t d = 0; d < counted.size(); ++d) {
      for (; next[d] < counted[d].size() && counted[d][next[d]].when.Key() == *key; ++next[d]) {
        const Timed& t = counted[d][next[d]];
        moment.push_back({static_cast<int>(d), t});
        ++held[d][(t.index & kExitBit) != 0 ? 1 : 0];
      }
    }
    std::array<int, 2> keeper = {0, 0};  // of each direction
    for (std::size_t direction = 0; direction < 2; ++direction) {
      int most = 0;
      for (const Held& h : moment) {
        const int times = held[static_cast<std::size_t>(h.download)][direction];
        if (times > most) {
          most = times;
          keeper[direction] = h.download;
        }
      }
    }
    for (const Held& h : moment) {
      held[static_cast<std::size_t>(h.download)] = {0, 0};
      const bool exit = (h.passage.index & kExitBit) != 0;
      const std::int64_t record = std::int64_t{h.passage.index & ~kExitBit} + 1;
      if (h.download == keeper[exit ? 1 : 0]) {
        walker.Passage(h.passage.when, exit, {h.download, record});
      } else {
        result.repeated.Add(record, h.download);
      }
    }
  }
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

std::optional<DownloadSecond> ReadDownloadSecond(std::string_view download_date) {
  const std::optional<Stamp> moment = DownloadMoment(download_date);
  if (!moment) return std::nullopt;
  // The stamp holds the even second; the text's last digit tells the odd one after it.
  return DownloadSecond{moment->Date(), moment->SecondOfDay() + ((download_date[18] - '0') & 1)};
}

std::size_t RecordHeader(const std::vector<AnalyzedDownload>& downloads) {
  std::size_t header = downloads.empty() ? 0 : downloads.size() - 1;
  std::optional<std::uint64_t> latest;
  for (std::size_t i = 0; i < downloads.size(); ++i) {
    const std::string_view date = downloads[i].download_date;
    const std::optional<Stamp> moment = DownloadMoment(date);
    if (!moment) continue;
    // The stamp holds the even second; the text's last digit tells the odd one after it.
    const std::uint64_t when = std::uint64_t{moment->Key()} * 2 + ((date[18] - '0') & 1);
    if (!latest || when >= *latest) {
      latest = when;
      header = i;
    }
  }
  return header;
}

CountAnalysis AnalyzeCounts(const std::vector<AnalyzedDownload>& downloads,
                            const Calibration& calibration) {
  return WithMemoryFailure([&] {
    CountAnalysis result;
    result.calibration = calibration;
    result.downloads = static_cast<int>(downloads.size());
    result.download_date_read = !downloads.empty();
    // One pass over each download in record order, and one ordering of its counted passages.
    std::vector<std::vector<Timed>> counted;
    counted.reserve(downloads.size());
    std::vector<std::pair<Stamp, Stamp>> periods;  // of the downloads with a counted passage
    for (std::size_t d = 0; d < downloads.size(); ++d) {
      const std::optional<Stamp> downloaded = DownloadMoment(downloads[d].download_date);
      result.download_date_read = result.download_date_read && downloaded.has_value();
      counted.push_back(ReadDownload(downloads[d], static_cast<int>(d), downloaded, result));
      SortByTime(counted.back());
      if (counted.back().empty()) continue;
      const Stamp last = counted.back().back().when;
      periods.push_back({counted.back().front().when,
                         downloaded && downloaded->Key() > last.Key() ? *downloaded : last});
    }
    if (periods.empty()) return result;
    // The covered stretches: the periods joined where they overlap or touch.
    std::sort(periods.begin(), periods.end(),
              [](const auto& a, const auto& b) { return a.first.Key() < b.first.Key(); });
    std::vector<std::pair<Stamp, Stamp>> stretches = {periods.front()};
    for (const auto& [from, to] : periods) {
      if (from.Key() <= stretches.back().second.Key()) {
        if (to.Key() > stretches.back().second.Key()) stretches.back().second = to;
      } else {
        result.gaps.push_back({stretches.back().second, from});
        stretches.push_back({from, to});
      }
    }
    result.period_start = stretches.front().first;
    result.period_end = stretches.back().second;
    // Every day of the period, its coverage from the stretches.
    const std::chrono::sys_days first = DayOf(*result.period_start);
    result.days.resize(static_cast<std::size_t>((DayOf(*result.period_end) - first).count() + 1));
    for (std::size_t i = 0; i < result.days.size(); ++i) {
      const std::chrono::sys_days day = first + std::chrono::days{i};
      result.days[i].date = std::chrono::year_month_day{day};
      result.days[i].weekday = std::chrono::weekday{day};
      result.days[i].coverage = Coverage::kMissing;
    }
    std::vector<Span> spans;
    for (const auto& [from, to] : stretches) {
      const auto a = static_cast<std::size_t>((DayOf(from) - first).count());
      const auto b = static_cast<std::size_t>((DayOf(to) - first).count());
      for (std::size_t i = a + 1; i < b; ++i) result.days[i].coverage = Coverage::kComplete;
      result.days[a].coverage = result.days[b].coverage = Coverage::kPartial;
      spans.push_back({static_cast<Seconds>(a) * kDaySeconds + from.SecondOfDay(),
                       static_cast<Seconds>(b) * kDaySeconds + to.SecondOfDay()});
    }
    DayWalker walker(result, spans, first);
    if (counted.size() == 1) {
      for (const Timed& t : counted.front()) {
        walker.Passage(t.when, (t.index & kExitBit) != 0,
                       {0, std::int64_t{t.index & ~kExitBit} + 1});
      }
    } else {
      MergeDownloads(counted, walker, result);
    }
    walker.Finish();
    return result;
  });
}

CountAnalysis AnalyzeCounts(std::string_view file_text, const std::vector<Passage>& passages,
                            std::string_view download_date, const Calibration& calibration) {
  return AnalyzeCounts({AnalyzedDownload{file_text, passages, download_date}}, calibration);
}
}  // namespace tarvex

// Arbitrary bytes as a download, through Open and Conversion with the system formatter, the
// analysis of the counts and every output format (report, passages, intervals of 15 and 60
// minutes, summary), all in memory: the download is an in-memory file (memfd) that Open reads
// through /proc/self/fd as it reads any file, and the outputs are written into strings. Every
// outcome must be a result or one of the numbered failures; after a result the state, the
// analysis and each output must hold together. Save, the locks and the whole appends are
// fuzzed by save_fuzzer.cpp.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <numeric>
#include <span>
#include <string_view>

#include "analysis/output_format.h"
#include "fuzz/fuzz_support.h"

namespace tarvex::fuzz {

namespace {

// Calls `each` with every code point of `text`; false when `text` is not valid UTF-8
// (overlong forms, surrogates and values past U+10FFFF included).
template <typename Each>
bool ForEachCodePoint(std::string_view text, Each each) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t more = lead < 0x80 ? 0 : lead >> 5 == 6 ? 1 : lead >> 4 == 14 ? 2 : 3;
    if (lead >= 0x80 && (lead >> 6 == 2 || lead >= 0xF8)) return false;
    if (text.size() - i <= more) return false;
    char32_t code = more == 0 ? lead : lead & (0x3Fu >> more);
    for (std::size_t k = 1; k <= more; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if (next >> 6 != 2) return false;
      code = code << 6 | (next & 0x3Fu);
    }
    constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (code < kLeast[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    each(code);
    i += more + 1;
  }
  return true;
}

// The bytes that end an unquoted field.
constexpr auto kEndsAField = [] {
  std::array<bool, 256> ends{};
  for (const char c : {',', '"', '\r', '\n'}) ends[static_cast<unsigned char>(c)] = true;
  return ends;
}();

// The fields of a table's row, as many as a row has.
using Fields = std::array<std::string_view, 10>;

// Reads the row at `at` of a CSV text that ends at `end` as RFC 4180 reads it, CRLF after it,
// into `fields`, a quoted field as it stands between its quotes (a quote inside still
// doubled), and moves `at` past it. The number of fields; 0 when it is not such a row.
std::size_t ReadRow(const char*& at, const char* const end, Fields& fields) {
  std::size_t count = 0;
  const auto field = [&](const char* start) {
    if (count == fields.size()) return false;
    fields[count++] = std::string_view(start, static_cast<std::size_t>(at - start));
    return true;
  };
  for (;;) {
    if (at != end && *at == '"') {
      const char* start = ++at;
      for (; at == end || *at != '"' || (end - at > 1 && at[1] == '"'); ++at) {
        if (at == end) return 0;
        if (*at == '"') ++at;
      }
      if (!field(start)) return 0;
      ++at;
    } else {
      const char* start = at;
      while (at != end && !kEndsAField[static_cast<unsigned char>(*at)]) ++at;
      if (!field(start)) return 0;
    }
    if (end - at > 1 && at[0] == ',') {
      ++at;
    } else if (end - at > 1 && at[0] == '\r' && at[1] == '\n') {
      at += 2;
      return count;
    } else {
      return 0;
    }
  }
}

// Calls `row` with the fields of each row of a CSV text (see ReadRow). False when the text is
// not such a table.
template <typename Row>
bool ForEachRow(std::string_view text, Row row) {
  Fields fields;
  const char* at = text.data();
  const char* const end = at + text.size();
  while (at != end) {
    const std::size_t count = ReadRow(at, end, fields);
    if (count == 0) return false;
    row(std::span<const std::string_view>(fields.data(), count));
  }
  return true;
}

// A field of text in a table: valid UTF-8, and nothing a spreadsheet would run as a formula.
void CheckTextField(std::string_view field) {
  Check(ForEachCodePoint(field, [](char32_t) {}), "a table's text is valid UTF-8");
  Check(field.empty() || std::string_view("=+-@\t\r").find(field[0]) == std::string_view::npos,
        "no table field a spreadsheet would run");
}

// Whether `field` has the shape `shape`, in which "9" stands for any digit.
bool Shaped(std::string_view field, std::string_view shape) {
  return field.size() == shape.size() &&
         std::equal(shape.begin(), shape.end(), field.begin(),
                    [](char s, char f) { return s == '9' ? f >= '0' && f <= '9' : s == f; });
}

// A count: plain digits, a minus first where it may be negative.
std::int64_t Whole(std::string_view field, bool may_be_negative = false) {
  const bool negative = may_be_negative && !field.empty() && field[0] == '-';
  Check(field.size() > (negative ? 1u : 0u) && field.size() < 12, "a number has digits");
  std::int64_t value = 0;
  for (std::size_t i = negative ? 1 : 0; i < field.size(); ++i) {
    Check(field[i] >= '0' && field[i] <= '9', "a number is plain digits");
    value = value * 10 + (field[i] - '0');
  }
  return negative ? -value : value;
}

// What `format` gives for `download`, its header row first. The text and the sink's buffer
// are kept between inputs, so that their memory is reused rather than taken afresh.
const std::string& Output(const OutputFormat& format, const DownloadCounts& download) {
  static std::string text, buffer;
  text.assign(format.Header());
  OutputSink out([&](std::string_view bytes) { text += bytes; });
  out.Buffer().swap(buffer);
  format.Append(download, out);
  out.Flush();
  out.Buffer().swap(buffer);
  return text;
}

// The report, written as any output is: its lines and counts as the state has them.
void CheckReport(const DownloadCounts& download) {
  const ConversionState& state = download.state;
  static const auto format = MakeOutputFormat(format_name::kReport);
  const std::string& report = Output(*format, download);
  std::size_t lines = 0;
  char before = 0;
  for (const char c : report) {
    Check(c == '\n' ? before == '\r' : before != '\r', "the report's lines end in CRLF");
    lines += c == '\n' ? 1 : 0;
    before = c;
  }
  Check(lines == static_cast<std::size_t>(state.EntryCount) +
                     static_cast<std::size_t>(state.ExitCount) + 8,
        "a report line per entry and exit, and eight more");
  Check(report.compare(0, 10, "ENTRADAS\r\n") == 0 &&
            report.compare(10, state.EntryList.size(), state.EntryList) == 0,
        "the report starts with the entries");
  Check(report.size() >= 2 && report.compare(report.size() - 2, 2, "\r\n") == 0,
        "the report ends in CRLF");
}

// One row a passage, in record order; a passage is valid when its date and time both are.
void CheckPassages(const DownloadCounts& download) {
  static const auto format = MakeOutputFormat(format_name::kPassages);
  std::int64_t rows = -1;  // the header row first
  Check(ForEachRow(Output(*format, download),
                   [&](std::span<const std::string_view> row) {
                     Check(row.size() == 9, "nine fields a passage");
                     if (++rows == 0) return;
                     for (const unsigned field : {0u, 1u, 2u, 7u}) CheckTextField(row[field]);
                     Check(Whole(row[3]) == rows, "records numbered from 1");
                     Check(row[4].empty() || row[4] == "entrada" || row[4] == "salida",
                           "a direction or none");
                     Check(row[5].empty() || Shaped(row[5], "9999-99-99"), "a date or none");
                     Check(row[6].empty() || Shaped(row[6], "99:99:99"), "a time or none");
                     Check(row[8] == (!row[5].empty() && !row[6].empty() ? "si" : "no"),
                           "valid = date and time");
                   }),
        "passages are a CSV");
  Check(rows == static_cast<std::int64_t>(download.passages.size()), "a row per passage");
}

// "HH:MM,HH:MM," (from, to) of each interval of `minutes` in a day, one after another.
std::string DayClocks(int minutes) {
  const auto digit = [](int value) { return static_cast<char>('0' + value % 10); };
  std::string clocks;
  for (int from = 0; from < 1440; from += minutes) {
    for (const int at : {from, from + minutes}) {
      clocks += {digit(at / 600), digit(at / 60), ':', digit(at % 60 / 10), digit(at % 60), ','};
    }
  }
  return clocks;
}

// Whether the text at `at`, which ends at `end`, starts with `bytes`.
bool StartsWith(const char* at, const char* end, std::string_view bytes) {
  return static_cast<std::size_t>(end - at) >= bytes.size() &&
         std::memcmp(at, bytes.data(), bytes.size()) == 0;
}

// A row an interval of every day counted, in order, holding every valid passage. The first
// row is read as any CSV row; every row then starts with its bytes up to the day (the
// download's fields), then the day (the same on each of the day's rows) and the interval's
// clocks, each compared whole, and ends in the counts, plain digits read one by one.
void CheckIntervals(const DownloadCounts& download, int minutes) {
  static const auto quarters = MakeOutputFormat("intervals", 15),
                    hours = MakeOutputFormat("intervals", 60);
  static const std::string quarter_clocks = DayClocks(15), hour_clocks = DayClocks(60);
  const std::string_view clocks = minutes == 15 ? quarter_clocks : hour_clocks;
  const std::size_t a_day = static_cast<std::size_t>(1440 / minutes), clock_pair = 12;
  const std::string& text = Output(minutes == 15 ? *quarters : *hours, download);
  const char* at = text.data();
  const char* const end = at + text.size();
  Fields fields;
  Check(ReadRow(at, end, fields) == fields.size(), "ten fields an interval");  // the header
  std::size_t rows = 0;
  std::int64_t entries = 0, exits = 0;
  std::string_view download_fields, date, day;  // day: the row's bytes up to its clocks
  // A count, as Whole reads it, and the comma after it or, `last`, the CRLF.
  const auto count = [&](bool last, bool may_be_negative = false) {
    const bool negative = may_be_negative && at != end && *at == '-';
    const char* digits = at += negative ? 1 : 0;
    std::int64_t value = 0;
    for (; at != end && *at >= '0' && *at <= '9'; ++at) value = value * 10 + (*at - '0');
    Check(at != digits && at - digits < (negative ? 11 : 12), "a number has digits");
    Check(last ? StartsWith(at, end, "\r\n") : at != end && *at == ',',
          "a number is plain digits, and intervals are a CSV");
    at += last ? 2 : 1;
    return negative ? -value : value;
  };
  for (; at != end; ++rows) {
    const std::size_t interval = rows % a_day;
    if (rows == 0) {
      const char* start = at;
      Check(ReadRow(at, end, fields) == fields.size(), "ten fields an interval");
      for (const unsigned field : {0u, 1u, 2u}) CheckTextField(fields[field]);
      download_fields = std::string_view(start, static_cast<std::size_t>(fields[3].data() - start));
      at = start;
    }
    if (interval == 0) {
      Check(StartsWith(at, end, download_fields), "the download's fields on every row");
      const char* on = at + download_fields.size();
      Check(end - on > 10 && Shaped(std::string_view(on, 10), "9999-99-99") && on[10] == ',' &&
                std::string_view(on, 10) > date,
            "days in order");
      date = std::string_view(on, 10);
      day = std::string_view(at, download_fields.size() + 11);
    }
    Check(StartsWith(at, end, day), "the download's fields and the day on each of its rows");
    at += day.size();
    Check(StartsWith(at, end, std::string_view(clocks.data() + interval * clock_pair, clock_pair)),
          "a day's intervals in order, from 00:00 to 24:00");
    at += clock_pair;
    const std::int64_t in = count(false), out = count(false);
    Check(count(false) == in + out, "total = entries + exits");
    count(true, true);
    entries += in;
    exits += out;
  }
  const auto counted_days =
      std::count_if(download.analysis.days.begin(), download.analysis.days.end(),
                    [](const DayCounts& d) { return d.entries + d.exits > 0; });
  Check(rows == static_cast<std::size_t>(counted_days) * a_day,
        "every interval of every day with a passage counted");
  Check(entries == download.analysis.entries && exits == download.analysis.exits,
        "the intervals hold every valid passage");
}

// The summary: for people's eyes, nothing that acts on a terminal.
void CheckSummary(const DownloadCounts& download) {
  static const auto format = MakeOutputFormat(format_name::kSummary);
  const std::string& summary = Output(*format, download);
  Check(ForEachCodePoint(summary,
                         [](char32_t code) {
                           Check(code == '\n' || (code >= 0x20 && (code < 0x7F || code > 0x9F)),
                                 "no control character in the summary");
                         }),
        "the summary is valid UTF-8");
  Check(summary.find("Registros: " + std::to_string(download.analysis.records) + " ") !=
            std::string::npos,
        "the summary counts the records");
  Check(summary.size() >= 2 && summary.compare(summary.size() - 2, 2, "\n\n") == 0,
        "the summary ends in an empty line");
}

// The download as a file that lives in memory only, refilled for each input.
const std::filesystem::path& InMemoryDownload(const std::uint8_t* data, std::size_t size) {
  static const int descriptor = ::memfd_create("download.vlm", MFD_CLOEXEC);
  static const std::filesystem::path path = "/proc/self/fd/" + std::to_string(descriptor);
  Check(descriptor >= 0 && ::ftruncate(descriptor, 0) == 0 &&
            ::pwrite(descriptor, data, size, 0) == static_cast<ssize_t>(size),
        "the in-memory download written");
  return path;
}

// The days of a download's period, one after another, each holding together.
void CheckDays(const CountAnalysis& analysis) {
  const std::vector<DayCounts>& days = analysis.days;
  Check(days.empty() == !analysis.period_start.has_value(), "days when there is a period");
  std::int64_t empty = 0;
  for (std::size_t i = 0; i < days.size(); ++i) {
    const DayCounts& day = days[i];
    Check(i == 0 || std::chrono::sys_days{days[i - 1].date} + std::chrono::days{1} ==
                        std::chrono::sys_days{day.date},
          "the days of the period one after another");
    Check(
        day.coverage == (i == 0 || i + 1 == days.size() ? Coverage::kPartial : Coverage::kComplete),
        "a download's first and last days partial, those between complete");
    Check(day.weekday == std::chrono::weekday{std::chrono::sys_days{day.date}}, "the weekday");
    Check(day.split == -1 ? day.peak_volume == 0 : day.split >= 500 && day.split <= 1000,
          "the split a share of the larger direction");
    const int volumes[kFlows] = {day.entries, day.exits, day.entries + day.exits};
    Check(day.peak_volume <= volumes[kBothFlows], "the peak hour within the day");
    for (int flow = 0; flow < kFlows; ++flow) {
      for (const Peak& peak : day.peaks[static_cast<std::size_t>(flow)]) {
        Check(peak.volume >= 0 && peak.volume <= volumes[flow] && peak.volume <= day.peak_volume,
              "a flow's peak hour within the day and the two-way one");
        Check(peak.factor >= (peak.volume > 0 ? 25 : 0) && peak.factor <= 100,
              "a peak-hour factor from 0.25 to 1");
      }
    }
    Check(day.min_occupancy <= day.start_occupancy && day.start_occupancy <= day.max_occupancy &&
              day.min_occupancy <= day.end_occupancy && day.end_occupancy <= day.max_occupancy &&
              day.quarters.back().occupancy == day.end_occupancy,
          "a day's occupancy within its minimum and maximum");
    Check(!day.correction || (day.min_occupancy <= 0 && day.max_occupancy >= 0),
          "a reset's 0 within the day's occupancy");
    if (day.coverage == Coverage::kComplete && day.entries + day.exits == 0) ++empty;
  }
  Check(analysis.empty_days.count == empty, "every complete day without a passage found");
  Check(analysis.weekday.days + analysis.weekend.days ==
            static_cast<int>(days.size() > 2 ? days.size() - 2 : 0),
        "every complete day in an average");
  Check(analysis.weekday.totals[0] + analysis.weekend.totals[0] <= analysis.entries &&
            analysis.weekday.totals[1] + analysis.weekend.totals[1] <= analysis.exits,
        "the averages within the passages");
}

}  // namespace

void FuzzDownload(const std::uint8_t* data, std::size_t size) {
  static const SystemFormatter formatter;
  ConversionSession session;
  if (!OpenChecked(session, InMemoryDownload(data, size), size)) return;
  if (!ConvertChecked(session, formatter)) return;
  const ConversionState& state = session.State();

  const CountAnalysis analysis = AnalyzeSession(session);
  Check(analysis.records == state.TotalCount, "a passage per record");
  Check(analysis.entries + analysis.exits + analysis.invalid.count + analysis.no_direction.count >=
            analysis.records,
        "every passage counted or checked");
  for (std::size_t i = 1; i < analysis.days.size(); ++i) {
    Check(analysis.days[i - 1].date < analysis.days[i].date, "days in order");
  }
  const auto day_sum = [&](int DayCounts::*count) {
    return std::accumulate(
        analysis.days.begin(), analysis.days.end(), std::int64_t{0},
        [&](std::int64_t sum, const DayCounts& day) { return sum + day.*count; });
  };
  Check(day_sum(&DayCounts::entries) == analysis.entries &&
            day_sum(&DayCounts::exits) == analysis.exits,
        "the days hold every valid passage");

  CheckDays(analysis);
  // Calibrated, from the input's size: the same passages, the occupancy set otherwise.
  const Calibration calibration{static_cast<int>(size % 7), static_cast<int>(size % 1440),
                                static_cast<int>(1 + size % 50)};
  const AnalyzedDownload read{state.FileText, session.Passages(), state.DownloadDate};
  const CountAnalysis calibrated = AnalyzeCounts({read}, calibration);
  CheckDays(calibrated);
  Check(calibrated.entries == analysis.entries && calibrated.exits == analysis.exits &&
            calibrated.days.size() == analysis.days.size(),
        "the calibration changes no count");
  if (!calibrated.days.empty()) {
    const auto minutes = (std::chrono::sys_days{calibrated.days.back().date} -
                          std::chrono::sys_days{calibrated.days.front().date})
                                 .count() *
                             1440 +
                         1440;
    Check(calibrated.minutes_near_capacity.value_or(-1) >= 0 &&
              *calibrated.minutes_near_capacity <= minutes,
          "the time near the capacity within the period");
  }
  // The download given twice, as one record: every passage of the second is the first's.
  const CountAnalysis twice = AnalyzeCounts({read, read});
  Check(twice.entries == analysis.entries && twice.exits == analysis.exits &&
            twice.repeated.count == analysis.entries + analysis.exits &&
            twice.days.size() == analysis.days.size() && twice.gaps.empty() &&
            twice.records == 2 * analysis.records,
        "a download repeated is counted once");

  const DownloadCounts download{{"fuzz.vlm"}, state, session.Passages(), analysis};
  CheckReport(download);
  CheckPassages(download);
  CheckIntervals(download, 15);
  CheckIntervals(download, 60);
  CheckSummary(download);
}

}  // namespace tarvex::fuzz

#ifndef TARVEX_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarvex::fuzz::FuzzDownload(data, size);
  return 0;
}
#endif

#include "analysis/csv_tables.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "analysis/day_figures.h"
#include "base/code_page.h"
#include "base/shown_name.h"

namespace tarvex {

namespace {

constexpr std::ptrdiff_t kNumberWidth = 20;  // the digits of any 64-bit number, and its sign

// The fields below are written into a small array by Put*, each returning where it ends, and
// the array appended to the row once: a table has millions of them.

char* PutNumber(char* at, std::int64_t value) {
  return std::to_chars(at, at + kNumberWidth, value).ptr;
}

// Two digits, zero first: a field of a date or time.
char* PutTwo(char* at, int value) {
  at[0] = static_cast<char>('0' + value / 10 % 10);
  at[1] = static_cast<char>('0' + value % 10);
  return at + 2;
}

// "YYYY-MM-DD".
char* PutDate(char* at, int year, int month, int day) {
  at = PutTwo(at, year / 100);
  at = PutTwo(at, year % 100);
  *at++ = '-';
  at = PutTwo(at, month);
  *at++ = '-';
  return PutTwo(at, day);
}

// "HH:MM", minutes from 00:00 (24:00 at the day's end).
char* PutClock(char* at, int minutes) {
  at = PutTwo(at, minutes / 60);
  *at++ = ':';
  return PutTwo(at, minutes % 60);
}

// A value that a spreadsheet would take for a formula (or for a sign) by its first character.
bool LooksLikeAFormula(std::string_view text) {
  return !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
}

// A field of text from a file or a name: valid UTF-8, an apostrophe before what a spreadsheet
// would run, then quoted as needed.
void AppendTextField(std::string& out, std::string_view bytes) {
  std::string text = ValidUtf8(bytes);
  if (LooksLikeAFormula(text)) text.insert(0, 1, '\'');
  AppendCsvField(out, text);
}

// The fields every row of a download starts with: archivo,contador,serie, then a comma.
std::string DownloadFields(const DownloadCounts& download) {
  std::string fields;
  for (const std::string& text : DownloadTexts(download)) {
    AppendTextField(fields, text);
    fields += ',';
  }
  return fields;
}

// The fields a row of a day starts with, after the download's: fecha,dia,completo, then a
// comma.
std::string DayFields(const DayCounts& day) {
  char date[11];
  PutDate(date, static_cast<int>(day.date.year()),
          static_cast<int>(static_cast<unsigned>(day.date.month())),
          static_cast<int>(static_cast<unsigned>(day.date.day())));
  date[10] = ',';
  std::string fields(date, sizeof date);
  fields += WeekdayName(day.weekday);
  fields += ',';
  fields += CompleteWord(day.coverage);
  fields += ',';
  return fields;
}

// A decimal held in tenths or hundredths: with a point, whatever the locale.
char* PutDecimal(char* at, std::int64_t parts, int decimals) {
  const std::string text = decimals == 1 ? TenthsText(parts, '.') : HundredthsText(parts, '.');
  return std::copy(text.begin(), text.end(), at);
}

}  // namespace

std::string_view CompleteWord(Coverage coverage) {
  switch (coverage) {
    case Coverage::kComplete:
      return "si";
    case Coverage::kPartial:
      return "no";
    case Coverage::kMissing:
      break;
  }
  return "sin datos";
}

std::string_view DirectionWord(Direction direction) {
  switch (direction) {
    case Direction::kEntry:
      return "entrada";
    case Direction::kExit:
      return "salida";
    case Direction::kNone:
      break;
  }
  return {};
}

std::string_view ValidWord(bool valid) {
  return valid ? "si" : "no";
}

std::string TableName(std::string_view name) {
  if (name.empty()) return std::string("(") + kStandardInputName + ")";
  return std::filesystem::path(name).filename().string();
}

std::array<std::string, 3> DownloadTexts(const DownloadCounts& download) {
  std::array<std::string, 3> texts;
  for (const std::string_view name : download.names) {
    texts[0] += (texts[0].empty() ? "" : " + ") + TableName(name);
  }
  texts[0] = ValidUtf8(texts[0]);
  AppendUtf8(texts[1], download.state.GlobalCounter);
  texts[1] = ValidUtf8(texts[1]);
  AppendUtf8(texts[2], download.state.SerialNumber);
  texts[2] = ValidUtf8(texts[2]);
  return texts;
}

void AppendCsvField(std::string& out, std::string_view utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += utf8;
    return;
  }
  out += '"';
  for (const char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string_view PassagesTable::Header() const {
  return "archivo,contador,serie,registro,sentido,fecha,hora,sello,valido\r\n";
}

void PassagesTable::Append(const DownloadCounts& download, OutputSink& sink) const {
  const std::string fields = DownloadFields(download);
  const std::string_view text = download.state.FileText;
  std::string& out = sink.Buffer();
  for (std::size_t i = 0; i < download.passages.size(); ++i) {
    const Passage& passage = download.passages[i];
    const Stamp when = passage.stamp;
    out += fields;
    // registro,sentido,fecha,hora, then the stamp
    char row[kNumberWidth + 32];
    char* at = PutNumber(row, static_cast<std::int64_t>(i) + 1);
    *at++ = ',';
    const std::string_view direction = DirectionWord(DirectionOf(text, passage));
    at = std::copy(direction.begin(), direction.end(), at);
    *at++ = ',';
    if (when.ValidDate()) at = PutDate(at, when.Year(), when.Month(), when.Day());
    *at++ = ',';
    if (when.ValidTime()) {
      at = PutClock(at, when.Hour() * 60 + when.Minute());
      *at++ = ':';
      at = PutTwo(at, when.Second());
    }
    *at++ = ',';
    out.append(row, at);
    const std::string_view stamp = StampOf(text, passage);
    if (stamp.find_first_of(",\"\r\n") == std::string_view::npos && !LooksLikeAFormula(stamp) &&
        std::all_of(stamp.begin(), stamp.end(), [](char c) { return (c & 0x80) == 0; })) {
      out += stamp;  // the usual stamp: plain ASCII, nothing to quote or guard
    } else {
      std::string utf8;
      AppendUtf8(utf8, stamp);
      AppendTextField(out, utf8);
    }
    out += ',';
    out += ValidWord(when.Valid());
    out += kCrLf;
    sink.Row();
  }
}

std::string_view IntervalsTable::Header() const {
  return "archivo,contador,serie,fecha,desde,hasta,entradas,salidas,total,ocupacion\r\n";
}

void IntervalsTable::Append(const DownloadCounts& download, OutputSink& sink) const {
  std::string& out = sink.Buffer();
  std::string fields = DownloadFields(download);
  const std::size_t download_fields = fields.size();
  for (const DayCounts& day : download.analysis.days) {
    if (day.entries + day.exits == 0) continue;  // a day without a passage has no intervals
    // archivo,contador,serie,fecha, the same on each of the day's rows
    char date[11];
    PutDate(date, static_cast<int>(day.date.year()),
            static_cast<int>(static_cast<unsigned>(day.date.month())),
            static_cast<int>(static_cast<unsigned>(day.date.day())));
    date[10] = ',';
    fields.resize(download_fields);
    fields.append(date, sizeof date);
    for (int first = 0; first < kQuartersADay; first += quarters_) {
      const Quarter interval = Interval(day, first, quarters_);
      // desde,hasta,entradas,salidas,total,ocupacion
      char row[12 + 4 * (kNumberWidth + 1) + 1];
      char* at = PutClock(row, first * 15);
      *at++ = ',';
      at = PutClock(at, (first + quarters_) * 15);
      for (const std::int64_t count :
           {std::int64_t{interval.entries}, std::int64_t{interval.exits},
            std::int64_t{interval.entries + interval.exits}, std::int64_t{interval.occupancy}}) {
        *at++ = ',';
        at = PutNumber(at, count);
      }
      *at++ = '\r';
      *at++ = '\n';
      out += fields;
      out.append(row, at);
      sink.Row();
    }
  }
}

std::string_view DaysTable::Header() const {
  return "archivo,contador,serie,fecha,dia,completo,entradas,salidas,total,punta_manana,"
         "vol_manana,fhp_manana,punta_tarde,vol_tarde,fhp_tarde,reparto,ocupacion_max,"
         "ocupacion_min,ocupacion_fin\r\n";
}

void DaysTable::Append(const DownloadCounts& download, OutputSink& sink) const {
  std::string& out = sink.Buffer();
  const std::string fields = DownloadFields(download);
  for (const DayCounts& day : download.analysis.days) {
    out += fields;
    out += DayFields(day);
    if (day.coverage == Coverage::kMissing) {
      out += ",,,,,,,,,,,,\r\n";  // the 13 fields from entradas to ocupacion_fin
      sink.Row();
      continue;
    }
    // entradas ... ocupacion_fin
    char row[16 * (kNumberWidth + 1)];
    char* at = row;
    for (const std::int64_t count : {day.entries, day.exits, day.entries + day.exits}) {
      at = PutNumber(at, count);
      *at++ = ',';
    }
    for (const Peak& peak : day.peaks[kBothFlows]) {
      if (peak.volume > 0) at = PutClock(at, peak.start);
      *at++ = ',';
      at = PutNumber(at, peak.volume);
      *at++ = ',';
      if (peak.volume > 0) at = PutDecimal(at, peak.factor, 2);
      *at++ = ',';
    }
    if (day.split >= 0) at = PutDecimal(at, day.split, 1);
    for (const int occupancy : {day.max_occupancy, day.min_occupancy, day.end_occupancy}) {
      *at++ = ',';
      at = PutNumber(at, occupancy);
    }
    *at++ = '\r';
    *at++ = '\n';
    out.append(row, at);
    sink.Row();
  }
}

std::string_view HourlyTable::Header() const {
  return "archivo,contador,serie,fecha,dia,completo,sentido,h00,h01,h02,h03,h04,h05,h06,h07,"
         "h08,h09,h10,h11,h12,h13,h14,h15,h16,h17,h18,h19,h20,h21,h22,h23,total\r\n";
}

void HourlyTable::Append(const DownloadCounts& download, OutputSink& sink) const {
  std::string& out = sink.Buffer();
  const std::string fields = DownloadFields(download);
  for (const DayCounts& day : download.analysis.days) {
    const std::string day_fields = fields + DayFields(day);
    const std::array<Quarter, 24> hours = Hours(day);
    for (const bool exits : {false, true}) {
      out += day_fields;
      out += DirectionWord(exits ? Direction::kExit : Direction::kEntry);
      if (day.coverage == Coverage::kMissing) {
        out += ",,,,,,,,,,,,,,,,,,,,,,,,,\r\n";  // the 25 fields from h00 to total
        continue;
      }
      char row[25 * (kNumberWidth + 1) + 2];
      char* at = row;
      std::int64_t total = 0;
      for (const Quarter& hour : hours) {
        const int count = exits ? hour.exits : hour.entries;
        total += count;
        *at++ = ',';
        at = PutNumber(at, count);
      }
      *at++ = ',';
      at = PutNumber(at, total);
      *at++ = '\r';
      *at++ = '\n';
      out.append(row, at);
    }
    sink.Row();
  }
}

}  // namespace tarvex

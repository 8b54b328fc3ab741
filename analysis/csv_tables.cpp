#include "analysis/csv_tables.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "analysis/day_figures.h"
#include "base/code_page.h"
#include "base/shown_name.h"

namespace tarvex {

namespace {

void AppendNumber(std::string& out, std::int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// Two digits, zero first: a field of a date or time.
void AppendTwo(std::string& out, int value) {
  out += static_cast<char>('0' + value / 10 % 10);
  out += static_cast<char>('0' + value % 10);
}

void AppendDate(std::string& out, int year, int month, int day) {
  AppendTwo(out, year / 100);
  AppendTwo(out, year % 100);
  out += '-';
  AppendTwo(out, month);
  out += '-';
  AppendTwo(out, day);
}

// "HH:MM", minutes from 00:00 (24:00 at the day's end).
void AppendClock(std::string& out, int minutes) {
  AppendTwo(out, minutes / 60);
  out += ':';
  AppendTwo(out, minutes % 60);
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
  AppendTextField(fields, TableName(download.name));
  fields += ',';
  std::string text;
  AppendUtf8(text, download.state.GlobalCounter);
  AppendTextField(fields, text);
  fields += ',';
  text.clear();
  AppendUtf8(text, download.state.SerialNumber);
  AppendTextField(fields, text);
  fields += ',';
  return fields;
}

}  // namespace

std::string TableName(std::string_view name) {
  if (name.empty()) return std::string("(") + kStandardInputName + ")";
  return std::filesystem::path(name).filename().string();
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
  std::string row;  // built whole, then appended: one append a row
  for (std::size_t i = 0; i < download.passages.size(); ++i) {
    const Passage& passage = download.passages[i];
    const Stamp when = passage.stamp;
    row.assign(fields);
    AppendNumber(row, static_cast<std::int64_t>(i) + 1);
    switch (DirectionOf(text, passage)) {
      case Direction::kEntry:
        row += ",entrada,";
        break;
      case Direction::kExit:
        row += ",salida,";
        break;
      case Direction::kNone:
        row += ",,";
        break;
    }
    if (when.ValidDate()) AppendDate(row, when.Year(), when.Month(), when.Day());
    row += ',';
    if (when.ValidTime()) {
      AppendClock(row, when.Hour() * 60 + when.Minute());
      row += ':';
      AppendTwo(row, when.Second());
    }
    row += ',';
    const std::string_view stamp = StampOf(text, passage);
    if (stamp.find_first_of(",\"\r\n") == std::string_view::npos && !LooksLikeAFormula(stamp) &&
        std::all_of(stamp.begin(), stamp.end(), [](char c) { return (c & 0x80) == 0; })) {
      row += stamp;  // the usual stamp: plain ASCII, nothing to quote or guard
    } else {
      std::string utf8;
      AppendUtf8(utf8, stamp);
      AppendTextField(row, utf8);
    }
    row += when.Valid() ? ",si\r\n" : ",no\r\n";
    sink.Buffer() += row;
    sink.Row();
  }
}

std::string_view IntervalsTable::Header() const {
  return "archivo,contador,serie,fecha,desde,hasta,entradas,salidas,total,ocupacion\r\n";
}

void IntervalsTable::Append(const DownloadCounts& download, OutputSink& sink) const {
  const std::string fields = DownloadFields(download);
  std::string& out = sink.Buffer();
  for (const DayCounts& day : download.analysis.days) {
    for (int first = 0; first < kQuartersADay; first += quarters_) {
      const Quarter interval = Interval(day, first, quarters_);
      out += fields;
      AppendDate(out, static_cast<int>(day.date.year()),
                 static_cast<int>(static_cast<unsigned>(day.date.month())),
                 static_cast<int>(static_cast<unsigned>(day.date.day())));
      out += ',';
      AppendClock(out, first * 15);
      out += ',';
      AppendClock(out, (first + quarters_) * 15);
      out += ',';
      AppendNumber(out, interval.entries);
      out += ',';
      AppendNumber(out, interval.exits);
      out += ',';
      AppendNumber(out, interval.entries + interval.exits);
      out += ',';
      AppendNumber(out, interval.occupancy);
      out += "\r\n";
      sink.Row();
    }
  }
}

}  // namespace tarvex

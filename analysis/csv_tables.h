#pragma once

#include <array>
#include <string>
#include <string_view>

#include "analysis/output_format.h"

namespace tarvex {

// Tables of the counts as CSV that a spreadsheet in any locale reads (RFC 4180): a header
// row, commas between fields, a field in double quotes only when it holds a comma, a quote, a
// carriage return or a line feed (a quote inside doubled), CRLF after every row, UTF-8 (the
// header fields of a download converted from its code page), dates as YYYY-MM-DD and times as
// HH:MM:SS or HH:MM whatever the regional forms, numbers as plain digits.
//
// The fields of text that come from a file or a name (archivo, contador, serie, sello) are
// made safe to open: each byte that is not part of valid UTF-8 becomes U+FFFD, then a value
// beginning with "=", "+", "-", "@", a tab or a carriage return gets an apostrophe in front
// (so that no spreadsheet runs it as a formula; the apostrophe is part of the value), then
// the field is quoted as needed.

// Appends one field, quoted as needed.
void AppendCsvField(std::string& out, std::string_view utf8);

// The archivo of a download named `name` (see DownloadCounts): its bare file name, whatever
// folder it was named in, so that the same download gives the same archivo from the window
// and the command line; "(entrada estándar)" for standard input.
std::string TableName(std::string_view name);

// The texts every row of a download starts with, archivo, contador and serie, in valid UTF-8
// (before the apostrophe and the quotes of a CSV field).
std::array<std::string, 3> DownloadTexts(const DownloadCounts& download);

// The tables' words, the CSV tables' and the workbook's alike: completo "si", "no" (partial)
// or "sin datos" (missing); sentido "entrada", "salida" or empty (none); valido "si" or "no".
std::string_view CompleteWord(Coverage coverage);
std::string_view DirectionWord(Direction direction);
std::string_view ValidWord(bool valid);

// One row per passage:
//   archivo,contador,serie,registro,sentido,fecha,hora,sello,valido
// sentido "entrada", "salida" or empty; fecha and hora each when valid, empty otherwise; sello
// the stamp's characters; valido "si" when both date and time are valid, else "no".
class PassagesTable final : public OutputFormat {
 public:
  std::string_view Name() const override { return format_name::kPassages; }
  bool ReadsAnalysis() const override { return false; }
  std::string_view Header() const override;
  void Append(const DownloadCounts& download, OutputSink& out) const override;
};

// One row per interval of every day counted:
//   archivo,contador,serie,fecha,desde,hasta,entradas,salidas,total,ocupacion
// desde and hasta HH:MM (the day's last interval ends at 24:00), total = entradas + salidas,
// ocupacion at the interval's end.
class IntervalsTable final : public OutputFormat {
 public:
  std::string_view Name() const override { return format_name::kIntervals; }
  explicit IntervalsTable(int minutes) : quarters_(minutes / 15) {}
  bool Combines() const override { return true; }
  bool Calibrated() const override { return true; }
  std::string_view Header() const override;
  void Append(const DownloadCounts& download, OutputSink& out) const override;

 private:
  int quarters_;  // quarters of an hour in an interval
};

// One row per day of the period, in date order:
//   archivo,contador,serie,fecha,dia,completo,entradas,salidas,total,punta_manana,vol_manana,
//   fhp_manana,punta_tarde,vol_tarde,fhp_tarde,reparto,ocupacion_max,ocupacion_min,ocupacion_fin
// dia the weekday (see WeekdayName); completo "si", "no" (partial) or "sin datos" (missing);
// punta_* the start HH:MM of the day's morning and afternoon peak hours, two-way, vol_* their
// volume and fhp_* their factor ("0.75"), the start and the factor empty for a volume of 0;
// reparto the larger direction's share of the peak hour's volume in percent ("66.7"), empty
// without one; ocupacion_* the occupancy's maximum, minimum and value at the day's end. On a
// missing day every field after completo is empty.
class DaysTable final : public OutputFormat {
 public:
  std::string_view Name() const override { return format_name::kDays; }
  bool Combines() const override { return true; }
  bool Calibrated() const override { return true; }
  std::string_view Header() const override;
  void Append(const DownloadCounts& download, OutputSink& out) const override;
};

// Two rows per day of the period, sentido "entrada" then "salida":
//   archivo,contador,serie,fecha,dia,completo,sentido,h00,h01,...,h23,total
// h00 to h23 the direction's passages in each hour, total their sum; empty on a missing day.
class HourlyTable final : public OutputFormat {
 public:
  std::string_view Name() const override { return format_name::kHourly; }
  bool Combines() const override { return true; }
  std::string_view Header() const override;
  void Append(const DownloadCounts& download, OutputSink& out) const override;
};

}  // namespace tarvex

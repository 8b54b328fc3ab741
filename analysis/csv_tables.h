#pragma once

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
  std::string_view Header() const override;
  void Append(const DownloadCounts& download, OutputSink& out) const override;

 private:
  int quarters_;  // quarters of an hour in an interval
};

}  // namespace tarvex

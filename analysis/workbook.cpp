#include "analysis/workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/csv_tables.h"
#include "analysis/day_figures.h"
#include "analysis/summary_text.h"
#include "base/append_file.h"
#include "base/code_page.h"
#include "base/conversion_error.h"
#include "base/shown_name.h"

namespace tarvex {

namespace {

// The number formats of the date cells and of the clock times (an hour's start, 24:00 at a
// day's end), in the cells and on the charts' axes.
constexpr const char* kDateForm = "yyyy-mm-dd";
constexpr const char* kClockForm = "[hh]:mm";

// A day as a spreadsheet counts it: days since 30/12/1899.
double DateNumber(std::chrono::year_month_day date) {
  using namespace std::chrono;
  return static_cast<double>((sys_days(date) - sys_days(year{1899} / December / 30)).count());
}

double ClockNumber(int seconds) {
  return seconds / 86400.0;
}

// The columns of a table's CSV header row ("a,b,c\r\n"), the one list of its columns.
std::vector<std::string> Columns(std::string_view header) {
  std::vector<std::string> names;
  while (!header.empty() && (header.back() == '\n' || header.back() == '\r')) {
    header.remove_suffix(1);
  }
  for (std::size_t start = 0;;) {
    const std::size_t comma = header.find(',', start);
    names.emplace_back(header.substr(start, comma - start));
    if (comma == std::string_view::npos) return names;
    start = comma + 1;
  }
}

// Characters of UTF-8 text, as a column's width counts them.
double Characters(std::string_view utf8) {
  return static_cast<double>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

double Digits(double value) {
  std::int64_t whole = static_cast<std::int64_t>(value < 0 ? -value : value);
  double digits = value < 0 ? 2 : 1;
  while (whole >= 10) {
    whole /= 10;
    ++digits;
  }
  return digits;
}

void Succeeded(lxw_error error) {
  if (error == LXW_NO_ERROR) return;
  if (error == LXW_ERROR_MEMORY_MALLOC_FAILED) throw ConversionError(failure::kOutOfMemory);
  throw ConversionError(failure::kDeviceIo);
}

// One worksheet, its rows written in order, and the width each column needs so far.
class Sheet {
 public:
  Sheet(lxw_workbook* book, const std::string& name, const std::vector<std::string>& header,
        lxw_format* bold)
      : sheet_(workbook_add_worksheet(book, name.c_str())) {
    if (sheet_ == nullptr) throw ConversionError(failure::kOutOfMemory);
    columns_ = static_cast<int>(header.size());
    widths_.assign(header.size(), 0);
    for (std::size_t col = 0; col < header.size(); ++col) {
      Text(static_cast<int>(col), header[col], bold);
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    // Printed across, each page as wide as the paper, the header row on every page.
    worksheet_set_landscape(sheet_);
    worksheet_fit_to_pages(sheet_, 1, 0);
    worksheet_repeat_rows(sheet_, 0, 0);
    row_ = 1;
  }

  lxw_worksheet* Handle() const { return sheet_; }
  lxw_row_t Row() const { return row_; }
  void Next() { ++row_; }
  void SkipTo(lxw_row_t row) { row_ = row; }

  void Text(int col, const std::string& utf8, lxw_format* format = nullptr) {
    if (utf8.empty()) return;
    Succeeded(
        worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(col), utf8.c_str(), format));
    Fit(col, Characters(utf8));
  }
  void Number(int col, double value, lxw_format* format = nullptr, double width = 0) {
    Succeeded(worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(col), value, format));
    Fit(col, width > 0 ? width : Digits(value));
  }
  void Fit(int col, double width) {
    const auto at = static_cast<std::size_t>(col);
    if (at >= widths_.size()) widths_.resize(at + 1, 0);
    widths_[at] = std::max(widths_[at], width);
  }

  // The autofilter over the header's columns down to `last_row`.
  void Filter(lxw_row_t last_row) {
    worksheet_autofilter(sheet_, 0, 0, last_row, static_cast<lxw_col_t>(columns_ - 1));
  }
  // The widths, and the autofilter over every row.
  void Finish() {
    if (!filtered_) Filter(row_ > 1 ? row_ - 1 : 0);
    for (std::size_t col = 0; col < widths_.size(); ++col) {
      if (widths_[col] > 0) {
        worksheet_set_column(sheet_, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                             std::min(widths_[col] + 2, 80.0), nullptr);
      }
    }
  }
  // Over the rows so far only: what follows them is no part of the table.
  void FilterHere() {
    Filter(row_ > 1 ? row_ - 1 : 0);
    filtered_ = true;
  }

 private:
  lxw_worksheet* sheet_;
  lxw_row_t row_ = 0;
  int columns_ = 0;
  bool filtered_ = false;
  std::vector<double> widths_;
};

// A table's sheets: its rows go on in "NAME 2", "NAME 3"... when a sheet is full, each with
// its header row.
class Table {
 public:
  Table(lxw_workbook* book, std::string name, std::string_view header, lxw_format* bold,
        std::int64_t rows)
      : book_(book), name_(std::move(name)), header_(Columns(header)), bold_(bold), rows_(rows) {
    sheets_.emplace_back(book_, name_, header_, bold_);
  }

  // The sheet the next row goes in, a new one when the last is full.
  Sheet& Start() {
    if (static_cast<std::int64_t>(sheets_.back().Row()) >= rows_) {
      const HoldFatalSignals hold;  // the sheet's temporary file is made
      sheets_.back().Finish();
      sheets_.emplace_back(book_, name_ + " " + std::to_string(sheets_.size() + 1), header_, bold_);
    }
    return sheets_.back();
  }
  std::string LastName() const {
    return sheets_.size() == 1 ? name_ : name_ + " " + std::to_string(sheets_.size());
  }
  void Finish() { sheets_.back().Finish(); }

 private:
  lxw_workbook* book_;
  std::string name_;
  std::vector<std::string> header_;
  lxw_format* bold_;
  std::int64_t rows_;
  std::vector<Sheet> sheets_;
};

// The Resumen sheet's columns: identification, period, days by coverage, totals, the average
// weekday and weekend day (their days and means), the checks' counts in the order of the
// checks' lines (the last two for a record of several downloads only), and with a capacity,
// the capacity and the minutes at 90 % of it or more.
constexpr std::string_view kSummaryHeader =
    "archivo,contador,serie,descargado,desde,hasta,dias,completos,parciales,sin_datos,"
    "registros,entradas,salidas,total,laborables,laborable_entradas,laborable_salidas,"
    "laborable_total,fines_de_semana,finde_entradas,finde_salidas,finde_total,no_validas,"
    "sin_sentido,reloj_atrasado,posteriores_descarga,bajo_cero,dias_sin_pasos,repetidos,"
    "tramos_sin_datos,capacidad,minutos_al_90";

// Below the Resumen rows, each download's average days by hour.
constexpr std::string_view kProfileHeader =
    "hora,laborable_entradas,laborable_salidas,laborable_total,finde_entradas,finde_salidas,"
    "finde_total";

constexpr std::string_view kCheckHeader = "archivo,contador,serie,comprobacion,cantidad,primeros";

// Rows between the start of one download's average days and the next's: its title, header
// and 24 hours, with room for its two charts beside them.
constexpr lxw_row_t kProfileRows = 31;

// What the Resumen and Comprobaciones sheets need of a download, kept until Close.
struct Kept {
  std::array<std::string, 3> texts;
  std::string downloaded;                       // as written, when it does not read
  std::optional<DownloadSecond> downloaded_at;  // when it reads
  std::optional<Stamp> start;
  std::optional<Stamp> end;
  std::array<std::int64_t, 3> coverage{};  // days by Coverage
  std::int64_t records = 0;
  std::int64_t entries = 0;
  std::int64_t exits = 0;
  AverageDay weekday;
  AverageDay weekend;
  std::array<std::optional<std::int64_t>, 8> checks;
  std::vector<std::string> check_lines;
  std::optional<int> capacity;
  std::optional<std::int64_t> near_capacity;  // minutes
  // Its rows in Días from its first day to the end of that sheet (a chart draws from one
  // sheet); none when last_day < first_day.
  std::string day_sheet;
  lxw_row_t first_day = 0;
  lxw_row_t last_day = 0;
};

// A moment to the second as a cell holds it: a shade past the second (a billionth of a day,
// under a tenth of a millisecond), since the decimal form the file keeps may fall just below
// it, and a spreadsheet that cuts to the second would then show the second before.
double Exact(double days) {
  return days + 1e-9;
}

double Moment(Stamp stamp) {
  return Exact(DateNumber(stamp.Date()) + ClockNumber(stamp.SecondOfDay()));
}

}  // namespace

struct Workbook::Sheets {
  Sheets() = default;
  Sheets(const Sheets&) = delete;
  Sheets& operator=(const Sheets&) = delete;
  // A workbook never closed: its temporary files go, nothing is written.
  ~Sheets() {
    if (book != nullptr) lxw_workbook_free(book);
  }

  lxw_workbook* book = nullptr;
  std::string folder;  // where the library keeps each sheet's rows until Close
  std::int64_t sheet_rows = kSheetRows;
  lxw_format* bold = nullptr;
  lxw_format* date = nullptr;
  lxw_format* time = nullptr;
  lxw_format* clock = nullptr;
  lxw_format* moment = nullptr;
  lxw_format* factor = nullptr;
  lxw_format* mean = nullptr;
  lxw_format* share = nullptr;
  std::optional<Sheet> summary;
  std::optional<Table> days;
  std::optional<Table> hours;
  std::optional<Table> intervals;
  std::optional<Table> passages;
  std::vector<Kept> kept;

  lxw_format* Format(const char* number_format, bool is_bold = false) {
    lxw_format* format = workbook_add_format(book);
    if (format == nullptr) throw ConversionError(failure::kOutOfMemory);
    if (number_format != nullptr) format_set_num_format(format, number_format);
    if (is_bold) format_set_bold(format);
    return format;
  }

  // A day's first columns, after archivo, contador and serie: fecha, dia, completo.
  void DayCells(Sheet& sheet, const std::array<std::string, 3>& texts, const DayCounts& day) {
    for (int col = 0; col < 3; ++col) sheet.Text(col, texts[static_cast<std::size_t>(col)]);
    sheet.Number(3, DateNumber(day.date), date, 10);
    sheet.Text(4, std::string(WeekdayName(day.weekday)));
    sheet.Text(5, std::string(CompleteWord(day.coverage)));
  }

  void AddDays(const std::array<std::string, 3>& texts, const CountAnalysis& a, Kept& keep) {
    keep.first_day = 1;
    keep.last_day = 0;
    for (const DayCounts& day : a.days) {
      Sheet& sheet = days->Start();
      if (&day == &a.days.front()) {
        keep.day_sheet = days->LastName();
        keep.first_day = sheet.Row();
      }
      if (keep.day_sheet == days->LastName()) keep.last_day = sheet.Row();
      DayCells(sheet, texts, day);
      if (day.coverage != Coverage::kMissing) {
        int col = 6;
        for (const std::int64_t count : {day.entries, day.exits, day.entries + day.exits}) {
          sheet.Number(col++, static_cast<double>(count));
        }
        for (const Peak& peak : day.peaks[kBothFlows]) {
          if (peak.volume > 0) sheet.Number(col, ClockNumber(peak.start * 60), clock, 5);
          sheet.Number(col + 1, peak.volume);
          if (peak.volume > 0) sheet.Number(col + 2, peak.factor / 100.0, factor, 4);
          col += 3;
        }
        if (day.split >= 0) sheet.Number(col, day.split / 1000.0, share, 6);
        ++col;
        for (const int occupancy : {day.max_occupancy, day.min_occupancy, day.end_occupancy}) {
          sheet.Number(col++, occupancy);
        }
      }
      sheet.Next();
    }
  }

  void AddHours(const std::array<std::string, 3>& texts, const CountAnalysis& a) {
    for (const DayCounts& day : a.days) {
      const std::array<Quarter, 24> each = Hours(day);
      for (const bool exits : {false, true}) {
        Sheet& sheet = hours->Start();
        DayCells(sheet, texts, day);
        sheet.Text(6, std::string(DirectionWord(exits ? Direction::kExit : Direction::kEntry)));
        if (day.coverage != Coverage::kMissing) {
          std::int64_t total = 0;
          for (std::size_t hour = 0; hour < 24; ++hour) {
            const int count = exits ? each[hour].exits : each[hour].entries;
            total += count;
            sheet.Number(7 + static_cast<int>(hour), count);
          }
          sheet.Number(31, static_cast<double>(total));
        }
        sheet.Next();
      }
    }
  }

  void AddIntervals(const std::array<std::string, 3>& texts, const CountAnalysis& a) {
    constexpr int kQuarters = 1;  // intervals of 15 minutes
    for (const DayCounts& day : a.days) {
      if (day.entries + day.exits == 0) continue;  // as the intervals table: no passage, no row
      for (int first = 0; first < kQuartersADay; first += kQuarters) {
        const Quarter interval = Interval(day, first, kQuarters);
        Sheet& sheet = intervals->Start();
        for (int col = 0; col < 3; ++col) sheet.Text(col, texts[static_cast<std::size_t>(col)]);
        sheet.Number(3, DateNumber(day.date), date, 10);
        sheet.Number(4, ClockNumber(first * 900), clock, 5);
        sheet.Number(5, ClockNumber((first + kQuarters) * 900), clock, 5);
        sheet.Number(6, interval.entries);
        sheet.Number(7, interval.exits);
        sheet.Number(8, interval.entries + interval.exits);
        sheet.Number(9, interval.occupancy);
        sheet.Next();
      }
    }
  }

  void AddPassages(const std::array<std::string, 3>& texts, const DownloadCounts& download) {
    const std::string_view text = download.state.FileText;
    std::string stamp;
    for (std::size_t i = 0; i < download.passages.size(); ++i) {
      Sheet& sheet = passages->Start();
      const Passage& passage = download.passages[i];
      const Stamp when = passage.stamp;
      for (int col = 0; col < 3; ++col) sheet.Text(col, texts[static_cast<std::size_t>(col)]);
      sheet.Number(3, static_cast<double>(i + 1));
      if (const std::string_view word = DirectionWord(DirectionOf(text, passage)); !word.empty()) {
        sheet.Text(4, std::string(word));
      }
      if (when.ValidDate()) sheet.Number(5, DateNumber(when.Date()), date, 10);
      if (when.ValidTime()) sheet.Number(6, Exact(ClockNumber(when.SecondOfDay())), time, 8);
      stamp.clear();
      AppendUtf8(stamp, StampOf(text, passage));
      sheet.Text(7, ValidUtf8(stamp));
      sheet.Text(8, std::string(ValidWord(when.Valid())));
      sheet.Next();
    }
  }

  void WriteSummary() {
    Sheet& sheet = *summary;
    for (const Kept& k : kept) {
      int col = 0;
      for (const std::string& text : k.texts) sheet.Text(col++, text);
      if (k.downloaded_at) {
        sheet.Number(
            col, Exact(DateNumber(k.downloaded_at->date) + ClockNumber(k.downloaded_at->second)),
            moment, 19);
      } else {
        sheet.Text(col, k.downloaded);
      }
      ++col;
      if (k.start) sheet.Number(col, Moment(*k.start), moment, 19);
      if (k.end) sheet.Number(col + 1, Moment(*k.end), moment, 19);
      col += 2;
      sheet.Number(col++, static_cast<double>(k.coverage[0] + k.coverage[1] + k.coverage[2]));
      for (const std::int64_t days : k.coverage) sheet.Number(col++, static_cast<double>(days));
      for (const std::int64_t count : {k.records, k.entries, k.exits, k.entries + k.exits}) {
        sheet.Number(col++, static_cast<double>(count));
      }
      for (const AverageDay* average : {&k.weekday, &k.weekend}) {
        sheet.Number(col, average->days);
        if (average->days > 0) {
          const AverageMeans means = MeansOf(*average);
          for (int flow = 0; flow < kFlows; ++flow) {
            sheet.Number(col + 1 + flow,
                         static_cast<double>(means.day[static_cast<std::size_t>(flow)]) / 10, mean,
                         7);
          }
        }
        col += 4;
      }
      for (const std::optional<std::int64_t>& count : k.checks) {
        if (count) sheet.Number(col, static_cast<double>(*count));
        ++col;
      }
      if (k.capacity) {
        sheet.Number(col, *k.capacity);
        sheet.Number(col + 1, static_cast<double>(k.near_capacity.value_or(0)));
      }
      sheet.Next();
    }
    sheet.FilterHere();
    // Below the rows: each download's average days by hour, the cells its charts draw from.
    lxw_row_t top = sheet.Row() + 1;
    for (const Kept& k : kept) {
      sheet.SkipTo(top);
      // The title spans the columns beside it: it sets no width.
      const std::string title = "Días medios por horas: " + k.texts[0];
      Succeeded(worksheet_write_string(sheet.Handle(), top, 0, title.c_str(), bold));
      sheet.SkipTo(top + 1);
      const std::vector<std::string> columns = Columns(kProfileHeader);
      for (std::size_t col = 0; col < columns.size(); ++col) {
        sheet.Text(static_cast<int>(col), columns[col], bold);
      }
      std::array<std::optional<AverageMeans>, 2> means;
      if (k.weekday.days > 0) means[0] = MeansOf(k.weekday);
      if (k.weekend.days > 0) means[1] = MeansOf(k.weekend);
      for (std::size_t hour = 0; hour < 24; ++hour) {
        sheet.SkipTo(top + 2 + static_cast<lxw_row_t>(hour));
        sheet.Number(0, ClockNumber(static_cast<int>(hour) * 3600), clock, 5);
        for (std::size_t kind = 0; kind < 2; ++kind) {
          if (!means[kind]) continue;
          for (std::size_t flow = 0; flow < kFlows; ++flow) {
            sheet.Number(static_cast<int>(1 + 3 * kind + flow),
                         static_cast<double>(means[kind]->hours[hour][flow]) / 10, mean, 7);
          }
        }
      }
      Charts(k, top);
      top += kProfileRows;
    }
    sheet.Finish();
  }

  // A chart whose categories are shown in `x_format` (they are time or date cells).
  lxw_chart* Chart(uint8_t type, const std::string& title, const char* x_axis,
                   const char* x_format) {
    lxw_chart* chart = workbook_add_chart(book, type);
    if (chart == nullptr) throw ConversionError(failure::kOutOfMemory);
    chart_title_set_name(chart, title.c_str());
    chart_axis_set_name(chart->x_axis, x_axis);
    chart_axis_set_num_format(chart->x_axis, x_format);
    chart_axis_set_name(chart->y_axis, "Vehículos");
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
    return chart;
  }

  void Series(lxw_chart* chart, const char* name, const char* sheet, lxw_row_t first,
              lxw_row_t last, lxw_col_t categories, lxw_col_t values) {
    lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
    if (series == nullptr) throw ConversionError(failure::kOutOfMemory);
    chart_series_set_name(series, name);
    chart_series_set_categories(series, sheet, first, categories, last, categories);
    chart_series_set_values(series, sheet, first, values, last, values);
  }

  // A download's two charts, beside its average days from row `top`: its average weekday's
  // hours by direction, and its daily totals over the period by direction.
  void Charts(const Kept& k, lxw_row_t top) {
    lxw_chart* profile =
        Chart(LXW_CHART_COLUMN, "Día laborable medio: " + k.texts[0], "Hora", kClockForm);
    Series(profile, "Entradas", "Resumen", top + 2, top + 25, 0, 1);
    Series(profile, "Salidas", "Resumen", top + 2, top + 25, 0, 2);
    Succeeded(worksheet_insert_chart(summary->Handle(), top, 8, profile));
    if (k.last_day < k.first_day) return;  // no day: nothing to draw
    lxw_chart* daily = Chart(LXW_CHART_LINE, "Totales por día: " + k.texts[0], "Día", kDateForm);
    Series(daily, "Entradas", k.day_sheet.c_str(), k.first_day, k.last_day, 3, 6);
    Series(daily, "Salidas", k.day_sheet.c_str(), k.first_day, k.last_day, 3, 7);
    Succeeded(worksheet_insert_chart(summary->Handle(), top + 15, 8, daily));
  }

  void WriteChecks() {
    Sheet sheet(book, "Comprobaciones", Columns(kCheckHeader), bold);
    for (const Kept& k : kept) {
      for (const std::string& line : k.check_lines) {
        // "Reloj atrasado: 3 (registros 21, 23, 25)": the check, its count, its first ones.
        const std::size_t colon = line.find(": ");
        const std::string rest = line.substr(colon + 2);
        for (int col = 0; col < 3; ++col) sheet.Text(col, k.texts[static_cast<std::size_t>(col)]);
        sheet.Text(3, line.substr(0, colon));
        std::size_t digits = 0;
        while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
        if (digits == 0) {
          sheet.Text(5, rest);  // not checked, and why
        } else {
          sheet.Number(4, std::stod(rest.substr(0, digits)));
          // " (registros 21, 23); la más baja, -2": what the brackets hold, and what follows.
          std::string first = rest.substr(digits);
          // A name may hold ")" too: the brackets close at the last one (nothing after them
          // holds any).
          if (const std::size_t close = first.rfind(')');
              first.starts_with(" (") && close != std::string::npos) {
            first = first.substr(2, close - 2) + first.substr(close + 1);
          }
          if (first.starts_with("; ")) first = first.substr(2);
          sheet.Text(5, first);
        }
        sheet.Next();
      }
    }
    sheet.Finish();
  }
};

Workbook::Workbook(const std::filesystem::path& file, std::int64_t sheet_rows)
    : sheets_(std::make_unique<Sheets>()) {
  const HoldFatalSignals hold;  // each sheet's temporary file is made
  WithMemoryFailure([&] {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    Sheets& s = *sheets_;
    // The rows wait beside the file, not in the system's temporary folder: the room a workbook
    // needs is then taken where it goes.
    s.folder = file.parent_path().empty() ? std::string(".") : file.parent_path().string();
    options.tmpdir = s.folder.data();
    s.sheet_rows = std::clamp<std::int64_t>(sheet_rows, 2, kSheetRows);
    s.book = workbook_new_opt(file.c_str(), &options);
    if (s.book == nullptr) throw ConversionError(failure::kOutOfMemory);
    s.bold = s.Format(nullptr, true);
    s.date = s.Format(kDateForm);
    s.time = s.Format("hh:mm:ss");
    s.clock = s.Format(kClockForm);
    s.moment = s.Format("yyyy-mm-dd hh:mm:ss");
    s.factor = s.Format("0.00");
    s.mean = s.Format("0.0");
    s.share = s.Format("0.0%");
    s.summary.emplace(s.book, "Resumen", Columns(kSummaryHeader), s.bold);
    s.days.emplace(s.book, "Días", DaysTable().Header(), s.bold, s.sheet_rows);
    s.hours.emplace(s.book, "Horas", HourlyTable().Header(), s.bold, s.sheet_rows);
    s.intervals.emplace(s.book, "Intervalos", IntervalsTable(15).Header(), s.bold, s.sheet_rows);
    s.passages.emplace(s.book, "Pasos", PassagesTable().Header(), s.bold, s.sheet_rows);
  });
}

Workbook::~Workbook() = default;

void Workbook::Add(const DownloadCounts& download) {
  WithMemoryFailure([&] {
    Sheets& s = *sheets_;
    const CountAnalysis& a = download.analysis;
    Kept keep;
    keep.texts = DownloadTexts(download);
    AppendUtf8(keep.downloaded, download.state.DownloadDate);
    keep.downloaded = ValidUtf8(keep.downloaded);
    keep.downloaded_at = ReadDownloadSecond(download.state.DownloadDate);
    keep.start = a.period_start;
    keep.end = a.period_end;
    for (const DayCounts& day : a.days) ++keep.coverage[static_cast<std::size_t>(day.coverage)];
    keep.records = a.records;
    keep.entries = a.entries;
    keep.exits = a.exits;
    keep.weekday = a.weekday;
    keep.weekend = a.weekend;
    keep.checks = {a.invalid.count,
                   a.no_direction.count,
                   a.clock_back.count,
                   a.download_date_read ? std::optional(a.after_download.count) : std::nullopt,
                   a.below_zero.count,
                   a.empty_days.count,
                   std::nullopt,
                   std::nullopt};
    if (download.names.size() > 1) {
      keep.checks[6] = a.repeated.count;
      keep.checks[7] = static_cast<std::int64_t>(a.gaps.size());
    }
    keep.check_lines = SummaryText::CheckLines(a, download.names);
    keep.capacity = a.calibration.capacity;
    keep.near_capacity = a.minutes_near_capacity;
    s.AddDays(keep.texts, a, keep);
    s.AddHours(keep.texts, a);
    s.AddIntervals(keep.texts, a);
    s.kept.push_back(std::move(keep));
  });
}

void Workbook::AddPassages(const DownloadCounts& download) {
  WithMemoryFailure([&] { sheets_->AddPassages(DownloadTexts(download), download); });
}

void Workbook::Close() {
  Sheets& s = *sheets_;
  // The library makes temporary files of its own beside the workbook until it is written.
  const HoldFatalSignals hold;
  WithMemoryFailure([&] {
    s.days->Finish();
    s.hours->Finish();
    s.intervals->Finish();
    s.passages->Finish();
    s.WriteSummary();
    s.WriteChecks();
  });
  // The library ignores a failure of writing a sheet's rows to their temporary file (a full
  // disk, a file-size limit): asked here, before they go into the workbook.
  lxw_worksheet* sheet = nullptr;
  LXW_FOREACH_WORKSHEET(sheet, s.book) {
    for (FILE* rows : {sheet->file, sheet->optimize_tmpfile}) {
      if (rows == nullptr) continue;
      errno = 0;
      if (std::fflush(rows) != 0 || std::ferror(rows) != 0) {
        throw FileFailure(errno != 0 ? errno : EIO, "");
      }
    }
  }
  lxw_workbook* book = std::exchange(s.book, nullptr);
  errno = 0;
  const lxw_error error = workbook_close(book);
  if (error == LXW_NO_ERROR) return;
  if (error == LXW_ERROR_MEMORY_MALLOC_FAILED) throw ConversionError(failure::kOutOfMemory);
  throw FileFailure(errno != 0 ? errno : EIO, "");
}

}  // namespace tarvex

#include "analysis/summary_text.h"

#include "analysis/day_figures.h"
#include "base/code_page.h"
#include "base/shown_name.h"

namespace tarvex {

namespace {

const SpanishForms kForms;

std::string Utf8(std::string_view windows1252) {
  std::string text;
  AppendUtf8(text, windows1252);
  return text;
}

// A header field as people are shown it: in UTF-8, its control characters escaped as in a
// name (see ShownName).
std::string HeaderField(std::string_view windows1252) {
  return ShownName(Utf8(windows1252));
}

std::string Number(std::int64_t value) {
  return std::to_string(value);
}

// "1 día", "3 días": a count and its noun, singular for one.
std::string Counted(std::int64_t count, std::string_view one, std::string_view more) {
  return Number(count) + " " + std::string(count == 1 ? one : more);
}

// A download's name as the summary shows it.
std::string DownloadName(std::string_view name) {
  return name.empty() ? std::string(kStandardInputName) : ShownName(name);
}

// "25/11/2026 06:12:40".
std::string Moment(Stamp stamp) {
  return kForms.ShortDate(stamp.Date()) + " " + kForms.LongTime(stamp.Time());
}

// "3 (registros 21, 23, 25)", "12 (primeros registros 1, 2, 3, 4, 5)", "0"; of several
// downloads, "2 (registros 5 de a.vlm, 9 de b.vlm)".
std::string Found(const Check& check, const std::vector<std::string_view>& names) {
  std::string text = Number(check.count);
  if (check.count == 0) return text;
  text += check.count > 5   ? " (primeros registros "
          : check.count > 1 ? " (registros "
                            : " (registro ";
  for (std::size_t i = 0; i < check.first.size(); ++i) {
    const RecordRef& record = check.first[i];
    text += (i > 0 ? ", " : "") + Number(record.record);
    if (names.size() > 1) {
      text += " de " + DownloadName(names[static_cast<std::size_t>(record.download)]);
    }
  }
  return text + ")";
}

// "0", "1 (día 25/11/2026)", "3 (días D, D, D)", "7 (primeros días D, D, D, D, D)".
std::string Found(const DayCheck& check) {
  std::string text = Number(check.count);
  if (check.count == 0) return text;
  text += check.count > 5 ? " (primeros días " : check.count > 1 ? " (días " : " (día ";
  for (std::size_t i = 0; i < check.first.size(); ++i) {
    text += (i > 0 ? ", " : "") + kForms.ShortDate(check.first[i]);
  }
  return text + ")";
}

// "0", "1 (tramo del D T al D T)", "2 (tramos del D T al D T, del D T al D T)", and the first
// five of more.
std::string Found(const std::vector<Gap>& gaps) {
  std::string text = Number(static_cast<std::int64_t>(gaps.size()));
  if (gaps.empty()) return text;
  text += gaps.size() > 5 ? " (primeros tramos " : gaps.size() > 1 ? " (tramos " : " (tramo ";
  for (std::size_t i = 0; i < gaps.size() && i < 5; ++i) {
    text += (i > 0 ? ", del " : "del ") + Moment(gaps[i].from) + " al " + Moment(gaps[i].to);
  }
  return text + ")";
}

std::string Right(const std::string& text, std::size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

// "Ocupación inicial: 3   Puesta a cero: 03:00   Capacidad: 40 (al 90 % o más: 75 minutos)".
std::string CalibrationLine(const CountAnalysis& a) {
  const Calibration& c = a.calibration;
  std::string line = "Ocupación inicial: " + Number(c.start);
  if (c.reset_minute) line += "   Puesta a cero: " + ClockText(*c.reset_minute);
  if (c.capacity) {
    line += "   Capacidad: " + Number(*c.capacity) + " (al 90 % o más: " +
            Counted(a.minutes_near_capacity.value_or(0), "minuto", "minutos") + ")";
  }
  return line + "\n";
}

// An average day: its count of days, its means and its hours; or that there is none.
void AppendAverage(std::string& out, const AverageDay& average, std::string_view title,
                   std::string_view none) {
  out += std::string(title) + ": ";
  if (average.days == 0) {
    out += std::string(none) + "\n";
    return;
  }
  out += Counted(average.days, "día completo", "días completos") + "\n";
  const AverageMeans means = MeansOf(average);
  const auto mean = [](std::int64_t tenths) { return TenthsText(tenths, ','); };
  out += "  Entradas: " + mean(means.day[kEntryFlow]) +
         "   Salidas: " + mean(means.day[kExitFlow]) + "   Total: " + mean(means.day[kBothFlows]) +
         "\n";
  out += "  Hora " + Right("Entradas", 10) + Right("Salidas", 10) + Right("Total", 10) + "\n";
  for (std::size_t hour = 0; hour < 24; ++hour) {
    out += "  " + ClockText(static_cast<int>(hour) * 60);
    for (const std::int64_t tenths : means.hours[hour]) out += Right(mean(tenths), 10);
    out += "\n";
  }
}

void AppendDay(std::string& out, const DayCounts& day, const Calibration& calibration) {
  const DayFigures f = PresentDay(day, kForms);
  out +=
      "\n" + Utf8(f.date) + " " + std::string(WeekdayName(day.weekday)) + ", " + f.coverage + "\n";
  if (day.coverage == Coverage::kMissing) return;
  out += "  Entradas: " + f.entries + "   Salidas: " + f.exits + "   Total: " + f.total + "\n";
  if (day.peak_volume == 0) {
    out += "  Hora punta: ninguna\n";
  } else {
    out += "  Hora punta: " + f.peak_hour + ", " + f.peak_volume +
           (day.peak_volume == 1 ? " vehículo" : " vehículos") + ", factor " + f.peak_factor +
           "; reparto " + f.split + " %\n";
  }
  for (const std::size_t part : {0u, 1u}) {
    out += part == 0 ? "  Punta de mañana: entradas " : "  Punta de tarde: entradas ";
    out += f.peaks[kEntryFlow][part] + "; salidas " + f.peaks[kExitFlow][part] + "; total " +
           f.peaks[kBothFlows][part] + "\n";
  }
  out += "  Ocupación: máxima " + f.max_occupancy + " a las " + f.max_time + ", mínima " +
         f.min_occupancy + ", al final del día " + f.end_occupancy + "\n";
  if (day.correction && calibration.reset_minute) {
    out += "  Puesta a cero a las " + ClockText(*calibration.reset_minute) + ": corrección " +
           f.correction + "\n";
  }
  if (day.capacity_share) {
    out += "  Ocupación máxima: " + f.capacity_share + " % de la capacidad\n";
  }
}

// A complete day on which nothing happened: no passage, and no reset that changed the
// occupancy.
bool Quiet(const DayCounts& day) {
  return day.coverage == Coverage::kComplete && day.entries + day.exits == 0 &&
         day.correction.value_or(0) == 0;
}

// Quiet or missing days from `first` to `last`, `count` of them, in one paragraph: the
// occupancy is the same all through quiet days.
void AppendRun(std::string& out, const DayCounts& first, const DayCounts& last, std::size_t count) {
  const DayFigures f = PresentDay(first, kForms);
  out += "\n" + Utf8(f.date) + " " + std::string(WeekdayName(first.weekday)) + " a " +
         Utf8(kForms.ShortDate(last.date)) + " " + std::string(WeekdayName(last.weekday)) + ", " +
         Number(static_cast<std::int64_t>(count));
  if (first.coverage == Coverage::kMissing) {
    out += " días sin datos\n";
    return;
  }
  out += " días completos sin ningún paso\n  Ocupación: " + f.end_occupancy + "\n";
  if (first.capacity_share) {
    out += "  Ocupación máxima: " + f.capacity_share + " % de la capacidad\n";
  }
}

}  // namespace

std::string SummaryText::PeriodLine(const CountAnalysis& a) {
  if (!a.period_start || !a.period_end) {
    return "Periodo: ninguno (ningún paso válido con sentido)\n";
  }
  std::int64_t covered[3] = {};  // by Coverage
  for (const DayCounts& day : a.days) ++covered[static_cast<int>(day.coverage)];
  std::string line = "Periodo: del " + Moment(*a.period_start) + " al " + Moment(*a.period_end) +
                     " (" + Counted(static_cast<std::int64_t>(a.days.size()), "día", "días") +
                     ": " + Counted(covered[0], "completo", "completos") + ", " +
                     Counted(covered[1], "parcial", "parciales");
  if (covered[2] > 0) line += ", " + Number(covered[2]) + " sin datos";
  return line + ")\n";
}

std::vector<std::string> SummaryText::CheckLines(const CountAnalysis& a,
                                                 const std::vector<std::string_view>& names) {
  std::string below = "Ocupación por debajo de cero: " + Found(a.below_zero, names);
  if (a.below_zero.count > 0) below += "; la más baja, " + Number(a.lowest_occupancy);
  std::vector<std::string> lines = {
      "Fechas u horas no válidas: " + Found(a.invalid, names),
      "Registros sin sentido: " + Found(a.no_direction, names),
      "Reloj atrasado: " + Found(a.clock_back, names),
      "Pasos posteriores a la descarga: " +
          (a.download_date_read ? Found(a.after_download, names)
                                : std::string("no se comprueba: la fecha de descarga no se "
                                              "lee como día/mes/año hora:minuto:segundo")),
      below,
      "Días completos sin ningún paso: " + Found(a.empty_days)};
  if (names.size() > 1) {
    lines.push_back("Pasos repetidos en otra descarga: " + Found(a.repeated, names));
    lines.push_back("Sin datos: " + Found(a.gaps));
  }
  return lines;
}

void SummaryText::Append(const DownloadCounts& download, OutputSink& sink) const {
  std::string& out = sink.Buffer();
  const CountAnalysis& a = download.analysis;
  out += download.names.size() > 1 ? "Descargas: " : "Descarga: ";
  for (std::size_t i = 0; i < download.names.size(); ++i) {
    out += (i > 0 ? " + " : "") + DownloadName(download.names[i]);
  }
  out += "\n";
  out += "Contador: " + HeaderField(download.state.GlobalCounter) +
         "   Número de serie: " + HeaderField(download.state.SerialNumber) +
         "   Descargado: " + HeaderField(download.state.DownloadDate) + "\n";
  out += "Registros: " + Number(a.records) + "   Entradas: " + Number(a.entries) +
         "   Salidas: " + Number(a.exits) + "\n";
  out += PeriodLine(a);
  out += CalibrationLine(a);
  out += "Comprobaciones:\n";
  for (const std::string& line : CheckLines(a, download.names)) out += "  " + line + "\n";
  if (a.period_start) {
    out += "\n";
    for (const std::size_t kind : {0u, 1u}) {
      AppendAverage(out, kind == 0 ? a.weekday : a.weekend, kAverageDayNames[kind],
                    kNoAverageDay[kind]);
    }
  }
  sink.Row();
  // A run of quiet days (see Quiet) or of missing days is told once: a stray stamp decades
  // away makes a period of thousands of them.
  for (std::size_t first = 0; first < a.days.size();) {
    const DayCounts& day = a.days[first];
    std::size_t last = first;
    const auto alike = [&](const DayCounts& other) {
      return day.coverage == Coverage::kMissing ? other.coverage == Coverage::kMissing
                                                : Quiet(day) && Quiet(other);
    };
    while (last + 1 < a.days.size() && alike(a.days[last + 1])) ++last;
    if (last == first) {
      AppendDay(out, day, a.calibration);
    } else {
      AppendRun(out, day, a.days[last], last - first + 1);
    }
    sink.Row();
    first = last + 1;
  }
  out += "\n";
}

}  // namespace tarvex

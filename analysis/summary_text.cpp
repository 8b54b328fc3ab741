#include "analysis/summary_text.h"

#include <cstdio>

#include "conversion/code_page.h"
#include "conversion/shown_name.h"

namespace tarvex {

namespace {

// A header field as people are shown it: in UTF-8, its control characters escaped as in a
// name (see ShownName).
std::string HeaderField(std::string_view windows1252) {
  std::string text;
  AppendUtf8(text, windows1252);
  return ShownName(text);
}

std::string Number(std::int64_t value) {
  return std::to_string(value);
}

std::string Clock(int seconds, bool with_seconds) {
  char text[16];
  if (with_seconds) {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 3600, seconds / 60 % 60);
  }
  return text;
}

// "3 (registros 21, 23, 25)", "12 (primeros registros 1, 2, 3, 4, 5)", "0".
std::string Found(const Check& check) {
  std::string text = Number(check.count);
  if (check.count == 0) return text;
  text += check.count > 5   ? " (primeros registros "
          : check.count > 1 ? " (registros "
                            : " (registro ";
  for (std::size_t i = 0; i < check.first.size(); ++i) {
    text += (i > 0 ? ", " : "") + Number(check.first[i]);
  }
  return text + ")";
}

}  // namespace

std::vector<std::string> SummaryText::CheckLines(const CountAnalysis& a) {
  std::string below = "Ocupación por debajo de cero: " + Found(a.below_zero);
  if (a.below_zero.count > 0) below += "; la más baja, " + Number(a.lowest_occupancy);
  return {"Fechas u horas no válidas: " + Found(a.invalid),
          "Registros sin sentido: " + Found(a.no_direction),
          "Reloj atrasado: " + Found(a.clock_back),
          "Pasos posteriores a la descarga: " +
              (a.download_date_read ? Found(a.after_download)
                                    : std::string("no se comprueba: la fecha de descarga no se "
                                                  "lee como día/mes/año hora:minuto:segundo")),
          below};
}

void SummaryText::Append(const DownloadCounts& download, OutputSink& sink) const {
  std::string& out = sink.Buffer();
  const CountAnalysis& a = download.analysis;
  out += "Descarga: " +
         (download.name.empty() ? std::string(kStandardInputName) : ShownName(download.name)) +
         "\n";
  out += "Contador: " + HeaderField(download.state.GlobalCounter) +
         "   Número de serie: " + HeaderField(download.state.SerialNumber) +
         "   Descargado: " + HeaderField(download.state.DownloadDate) + "\n";
  out += "Registros: " + Number(a.records) + "   Entradas: " + Number(a.entries) +
         "   Salidas: " + Number(a.exits) + "\n";
  out += "Comprobaciones:\n";
  for (const std::string& line : CheckLines(a)) out += "  " + line + "\n";
  for (const DayCounts& day : a.days) {
    char date[16];
    std::snprintf(date, sizeof date, "%02u/%02u/%04d", static_cast<unsigned>(day.date.day()),
                  static_cast<unsigned>(day.date.month()), static_cast<int>(day.date.year()));
    char factor[16];
    std::snprintf(factor, sizeof factor, "%d,%02d", day.peak_factor / 100, day.peak_factor % 100);
    out += "\n" + std::string(date) + "\n";
    out += "  Entradas: " + Number(day.entries) + "   Salidas: " + Number(day.exits) +
           "   Total: " + Number(day.entries + day.exits) + "\n";
    out += "  Hora punta: " + Clock(day.peak_start * 60, false) + "-" +
           Clock((day.peak_start + 60) * 60, false) + ", " + Number(day.peak_volume) +
           (day.peak_volume == 1 ? " vehículo" : " vehículos") + ", factor " + factor + "\n";
    out += "  Ocupación: máxima " + Number(day.max_occupancy) + " a las " +
           Clock(day.max_second, true) + ", mínima " + Number(day.min_occupancy) +
           ", al final del día " + Number(day.end_occupancy) + "\n";
    sink.Row();
  }
  out += "\n";
}

}  // namespace tarvex

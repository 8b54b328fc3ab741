#include "analysis/summary_text.h"

#include "analysis/day_figures.h"
#include "base/code_page.h"
#include "base/shown_name.h"

namespace tarvex {

namespace {

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

// "3 (registros 21, 23, 25)", "12 (primeros registros 1, 2, 3, 4, 5)", "0".
std::string Found(const Check& check) {
  std::string text = Number(check.count);
  if (check.count == 0) return text;
  text += check.count > 5   ? " (primeros registros "
          : check.count > 1 ? " (registros "
                            : " (registro ";
  for (std::size_t i = 0; i < check.first.size(); ++i) {
    text += (i > 0 ? ", " : "") + Number(check.first[i].record);
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
  const std::string_view name = download.names.front();
  out += "Descarga: " + (name.empty() ? std::string(kStandardInputName) : ShownName(name)) + "\n";
  out += "Contador: " + HeaderField(download.state.GlobalCounter) +
         "   Número de serie: " + HeaderField(download.state.SerialNumber) +
         "   Descargado: " + HeaderField(download.state.DownloadDate) + "\n";
  out += "Registros: " + Number(a.records) + "   Entradas: " + Number(a.entries) +
         "   Salidas: " + Number(a.exits) + "\n";
  out += "Comprobaciones:\n";
  for (const std::string& line : CheckLines(a)) out += "  " + line + "\n";
  static const SpanishForms kForms;
  for (const DayCounts& day : a.days) {
    const DayFigures f = PresentDay(day, kForms);
    out += "\n" + Utf8(f.date) + "\n";
    out += "  Entradas: " + f.entries + "   Salidas: " + f.exits + "   Total: " + f.total + "\n";
    out += "  Hora punta: " + f.peak_hour + ", " + f.peak_volume +
           (day.peak_volume == 1 ? " vehículo" : " vehículos") + ", factor " + Utf8(f.peak_factor) +
           "\n";
    out += "  Ocupación: máxima " + f.max_occupancy + " a las " + f.max_time + ", mínima " +
           f.min_occupancy + ", al final del día " + f.end_occupancy + "\n";
    sink.Row();
  }
  out += "\n";
}

}  // namespace tarvex

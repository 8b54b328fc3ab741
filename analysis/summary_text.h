#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/output_format.h"

namespace tarvex {

// What the counts of each download, or of several downloads read as one record, say, in
// Spanish for people (UTF-8, a line feed after every line): its identification, its period,
// the calibration of its occupancy and the checks on its data; its average weekday and weekend
// day, by hour; then a paragraph per day of the period with its weekday and coverage, its
// totals, peak hours by direction and occupancy; an empty line after each download. The
// download's name and its header fields are shown as standard error shows names (ShownName):
// no byte of them acts on a terminal.
//
//   Descarga: norte.vlm
//   Contador: 012345   Número de serie: 07   Descargado: 29/11/2026 23:59:58
//   Registros: 315   Entradas: 169   Salidas: 146
//   Periodo: del 23/11/2026 06:12:40 al 29/11/2026 23:59:58 (7 días: 5 completos, 2 parciales)
//   Ocupación inicial: 0
//   Comprobaciones:
//     Fechas u horas no válidas: 0
//     ...
//     Días completos sin ningún paso: 1 (día 25/11/2026)
//
//   Día laborable medio: 4 días completos
//     Entradas: 24,2   Salidas: 19,0   Total: 43,2
//     Hora     Entradas   Salidas     Total
//     00:00         0,0       0,0       0,0
//     ...
//   Día de fin de semana medio: ningún sábado ni domingo completo
//
//   23/11/2026 lunes, parcial
//     Entradas: 24   Salidas: 19   Total: 43
//     Hora punta: 07:15-08:15, 6 vehículos, factor 0,75; reparto 66,7 %
//     Punta de mañana: entradas 07:15-08:15 (4, factor 0,50); salidas ...; total ...
//     Punta de tarde: entradas ninguna; salidas ...; total ...
//     Ocupación: máxima 7 a las 15:02:40, mínima -1, al final del día 5
class SummaryText final : public OutputFormat {
 public:
  // The checks' lines, as the summary and the Resumen window say them: "Fechas u horas no
  // válidas: 3 (registros 21, 23, 25)". Of several downloads read as one record (`names`, as
  // in DownloadCounts), each record with its download's name: "5 de a.vlm".
  static std::vector<std::string> CheckLines(const CountAnalysis& analysis,
                                             const std::vector<std::string_view>& names = {});

  // The period's line, as the summary says it, with its line feed: "Periodo: del 23/11/2026
  // 06:12:40 al 29/11/2026 23:59:58 (7 días: 5 completos, 2 parciales)".
  static std::string PeriodLine(const CountAnalysis& analysis);

  std::string_view Name() const override { return format_name::kSummary; }
  bool Combines() const override { return true; }
  bool Calibrated() const override { return true; }
  void Append(const DownloadCounts& download, OutputSink& out) const override;
};

}  // namespace tarvex

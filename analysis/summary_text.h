#pragma once

#include <string>
#include <vector>

#include "analysis/output_format.h"

namespace tarvex {

// What the counts of each download say, in Spanish for people (UTF-8, a line feed after every
// line): its identification and the checks on its data, then a paragraph per day counted with
// its totals, peak hour and factor, and its occupancy; an empty line after each download. The
// download's name and its header fields are shown as standard error shows names (ShownName):
// no byte of them acts on a terminal.
//
//   Descarga: norte.vlm
//   Contador: 012345   Número de serie: 07   Descargado: 29/11/2026 23:59:58
//   Registros: 315   Entradas: 169   Salidas: 146
//   Comprobaciones:
//     Fechas u horas no válidas: 0
//     Registros sin sentido: 0
//     Reloj atrasado: 0
//     Pasos posteriores a la descarga: 0
//     Ocupación por debajo de cero: 2 (registros 5, 9); la más baja, -1
//
//   23/11/2026
//     Entradas: 24   Salidas: 19   Total: 43
//     Hora punta: 07:15-08:15, 6 vehículos, factor 0,75
//     Ocupación: máxima 7 a las 15:02:40, mínima -1, al final del día 5
class SummaryText final : public OutputFormat {
 public:
  // The checks' lines, as the summary and the Resumen window say them: "Fechas u horas no
  // válidas: 3 (registros 21, 23, 25)".
  static std::vector<std::string> CheckLines(const CountAnalysis& analysis);

  std::string_view Name() const override { return format_name::kSummary; }
  void Append(const DownloadCounts& download, OutputSink& out) const override;
};

}  // namespace tarvex

// The outputs of what the traffic is (days, hours, summary) on analyses built by hand, for the
// forms no reference download reaches: a day no download covers, a peak of no passages, an
// occupancy below zero and its share of the capacity, the checks of several downloads. The
// figures are set by hand to reach each form, not worked out from passages.
#include <gtest/gtest.h>

#include <cstring>

#include "analysis/output_format.h"
#include "analysis/summary_text.h"

namespace tarvex {
namespace {

using namespace std::chrono;

DayCounts Day(year_month_day date, Coverage coverage) {
  DayCounts day;
  day.date = date;
  day.weekday = weekday{sys_days{date}};
  day.coverage = coverage;
  return day;
}

Stamp At(int year, int month, int day, int hour, int minute, int second) {
  return *Stamp::FromFields(year, month, day, hour, minute, second);
}

// What `format` writes of `analysis` for the downloads `names`, its header row first.
std::string Written(std::string_view format, const CountAnalysis& analysis,
                    const std::vector<std::string_view>& names) {
  ConversionState state;
  state.GlobalCounter = "004711";
  state.SerialNumber = "12";
  state.DownloadDate = "02/03/2028 06:30:00";
  const std::vector<Passage> passages;
  std::string text;
  OutputSink out([&](std::string_view bytes) { text += bytes; });
  const std::unique_ptr<OutputFormat> output = MakeOutputFormat(format);
  out.Buffer() += output->Header();
  output->Append({names, state, passages, analysis}, out);
  out.Flush();
  return text;
}

// A day with passages, one without any, one no download covers; a morning of no peak, an
// afternoon peak at the last start (23:00) with a factor of 1, a factor of 0.07, an occupancy
// below zero. Several names make one archivo, guarded as a formula and quoted for its comma.
TEST(TrafficTables, EveryFormOfADayRow) {
  CountAnalysis a;
  DayCounts busy = Day(2028y / February / 28d, Coverage::kPartial);
  busy.entries = 7;
  busy.exits = 5;
  busy.quarters[0].entries = 2;  // 00:00-00:15
  busy.quarters[95].exits = 5;   // 23:45-24:00
  busy.quarters[95].entries = 5;
  busy.peaks[kBothFlows] = {Peak{0, 0, 0}, Peak{23 * 60, 12, 100}};
  busy.split = 583;
  busy.max_occupancy = -1;
  busy.min_occupancy = -4;
  busy.end_occupancy = -3;
  DayCounts empty = Day(2028y / February / 29d, Coverage::kComplete);
  empty.max_occupancy = empty.min_occupancy = empty.end_occupancy = -3;
  a.days = {busy, empty, Day(2028y / March / 1d, Coverage::kMissing)};
  const std::string record = "\"'=a.vlm + x,y.vlm\",004711,12,";
  EXPECT_EQ(Written(format_name::kDays, a, {"=a.vlm", "sub/x,y.vlm"}),
            "archivo,contador,serie,fecha,dia,completo,entradas,salidas,total,punta_manana,"
            "vol_manana,fhp_manana,punta_tarde,vol_tarde,fhp_tarde,reparto,ocupacion_max,"
            "ocupacion_min,ocupacion_fin\r\n" +
                record + "2028-02-28,lunes,no,7,5,12,,0,,23:00,12,1.00,58.3,-1,-4,-3\r\n" + record +
                "2028-02-29,martes,si,0,0,0,,0,,,0,,,-3,-3,-3\r\n" + record +
                "2028-03-01,miércoles,sin datos,,,,,,,,,,,,,\r\n");
  const std::string zeros = "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,";
  EXPECT_EQ(Written(format_name::kHourly, a, {""}),
            "archivo,contador,serie,fecha,dia,completo,sentido,h00,h01,h02,h03,h04,h05,h06,h07,"
            "h08,h09,h10,h11,h12,h13,h14,h15,h16,h17,h18,h19,h20,h21,h22,h23,total\r\n"
            "(entrada estándar),004711,12,2028-02-28,lunes,no,entrada,2," +
                zeros + "5,7\r\n(entrada estándar),004711,12,2028-02-28,lunes,no,salida,0," +
                zeros + "5,5\r\n(entrada estándar),004711,12,2028-02-29,martes,si,entrada,0," +
                zeros + "0,0\r\n(entrada estándar),004711,12,2028-02-29,martes,si,salida,0," +
                zeros +
                "0,0\r\n(entrada estándar),004711,12,2028-03-01,miércoles,sin datos,entrada"
                ",,,,,,,,,,,,,,,,,,,,,,,,,\r\n(entrada estándar),004711,12,2028-03-01,"
                "miércoles,sin datos,salida,,,,,,,,,,,,,,,,,,,,,,,,,\r\n");
}

// The checks that find days and stretches, at each of their forms: none, one, a few, more than
// five (the first five named).
TEST(TrafficSummary, TheChecksOfDaysAndStretchesAtEachCount) {
  const std::pair<int, std::vector<std::string>> rows[] = {
      {0, {"Días completos sin ningún paso: 0", "Sin datos: 0"}},
      {1,
       {"Días completos sin ningún paso: 1 (día 01/02/2028)",
        "Sin datos: 1 (tramo del 01/02/2028 06:00:00 al 02/02/2028 18:30:02)"}},
      {2,
       {"Días completos sin ningún paso: 2 (días 01/02/2028, 02/02/2028)",
        "Sin datos: 2 (tramos del 01/02/2028 06:00:00 al 02/02/2028 18:30:02, del 02/02/2028 "
        "06:00:00 al 03/02/2028 18:30:02)"}},
      {6,
       {"Días completos sin ningún paso: 6 (primeros días 01/02/2028, 02/02/2028, 03/02/2028, "
        "04/02/2028, 05/02/2028)",
        "Sin datos: 6 (primeros tramos del 01/02/2028 06:00:00 al 02/02/2028 18:30:02, del "
        "02/02/2028 06:00:00 al 03/02/2028 18:30:02, del 03/02/2028 06:00:00 al 04/02/2028 "
        "18:30:02, del 04/02/2028 06:00:00 al 05/02/2028 18:30:02, del 05/02/2028 06:00:00 al "
        "06/02/2028 18:30:02)"}},
  };
  for (const auto& [count, expected] : rows) {
    CountAnalysis a;
    for (int i = 1; i <= count; ++i) {
      a.empty_days.Add(2028y / February / day{static_cast<unsigned>(i)});
      a.gaps.push_back({At(2028, 2, i, 6, 0, 0), At(2028, 2, i + 1, 18, 30, 2)});
    }
    const std::vector<std::string> lines = SummaryText::CheckLines(a, {"a.vlm", "b.vlm"});
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[5], expected[0]);
    EXPECT_EQ(lines[7], expected[1]);
  }
}

// A record of two downloads, one of them standard input: its names, its checks naming each
// record's download, its period with a day no download covers, the calibration, the averages
// (one with a mean rounded half up, one without a day), and the days: a peak of no passages,
// a reset that corrected nothing, an occupancy below zero as a share of the capacity.
TEST(TrafficSummary, ARecordOfTwoDownloadsCalibrated) {
  CountAnalysis a;
  a.records = 12;
  a.entries = 7;
  a.exits = 5;
  a.downloads = 2;
  a.download_date_read = true;
  a.period_start = At(2028, 2, 27, 22, 0, 0);
  a.period_end = At(2028, 3, 2, 6, 30, 0);
  a.calibration = {3, 3 * 60, 40};
  a.minutes_near_capacity = 1;
  a.invalid.Add(4, 0);
  a.invalid.Add(2, 1);
  a.repeated.Add(3, 1);
  a.gaps.push_back({At(2028, 2, 28, 23, 59, 58), At(2028, 3, 1, 0, 0, 2)});
  a.weekend.days = 4;
  a.weekend.totals = {1, 3};
  a.weekend.hours[0][7] = 1;
  a.weekend.hours[1][23] = 3;
  DayCounts first = Day(2028y / February / 27d, Coverage::kPartial);
  first.entries = 2;
  first.peak_start = 21 * 60 + 15;
  first.peak_volume = 2;
  first.peak_factor = 25;
  first.split = 1000;
  first.peaks[kEntryFlow][1] = first.peaks[kBothFlows][1] = {21 * 60 + 15, 2, 25};
  first.max_occupancy = first.end_occupancy = 5;
  first.max_second = 22 * 3600;
  first.min_occupancy = 3;
  first.capacity_share = 125;
  DayCounts none = Day(2028y / February / 28d, Coverage::kComplete);
  none.correction = 0;
  none.max_occupancy = none.min_occupancy = none.end_occupancy = -2;
  none.capacity_share = -50;
  a.days = {first, none, Day(2028y / February / 29d, Coverage::kMissing),
            Day(2028y / March / 1d, Coverage::kPartial)};
  a.days.back().capacity_share = 0;
  const std::string text = Written(format_name::kSummary, a, {"dir/a.vlm", ""});
  const char* const lines[] = {
      "Descargas: dir/a.vlm + entrada estándar",
      "Contador: 004711   Número de serie: 12   Descargado: 02/03/2028 06:30:00",
      "Registros: 12   Entradas: 7   Salidas: 5",
      "Periodo: del 27/02/2028 22:00:00 al 02/03/2028 06:30:00 (4 días: 1 completo, 2 "
      "parciales, 1 sin datos)",
      "Ocupación inicial: 3   Puesta a cero: 03:00   Capacidad: 40 (al 90 % o más: 1 minuto)",
      "Comprobaciones:",
      "  Fechas u horas no válidas: 2 (registros 4 de dir/a.vlm, 2 de entrada estándar)",
      "  Pasos posteriores a la descarga: 0",
      "  Días completos sin ningún paso: 0",
      "  Pasos repetidos en otra descarga: 1 (registro 3 de entrada estándar)",
      "  Sin datos: 1 (tramo del 28/02/2028 23:59:58 al 01/03/2028 00:00:02)",
      "",
      "Día laborable medio: ningún día completo de lunes a viernes",
      "Día de fin de semana medio: 4 días completos",
      "  Entradas: 0,3   Salidas: 0,8   Total: 1,0",
      "  Hora   Entradas   Salidas     Total",
      "  00:00       0,0       0,0       0,0",
      "  07:00       0,3       0,0       0,3",
      "  23:00       0,0       0,8       0,8",
      "",
      "27/02/2028 domingo, parcial",
      "  Entradas: 2   Salidas: 0   Total: 2",
      "  Hora punta: 21:15-22:15, 2 vehículos, factor 0,25; reparto 100,0 %",
      "  Punta de mañana: entradas ninguna; salidas ninguna; total ninguna",
      "  Punta de tarde: entradas 21:15-22:15 (2, factor 0,25); salidas ninguna; total "
      "21:15-22:15 (2, factor 0,25)",
      "  Ocupación: máxima 5 a las 22:00:00, mínima 3, al final del día 5",
      "  Ocupación máxima: 12,5 % de la capacidad",
      "",
      "28/02/2028 lunes, completo",
      "  Entradas: 0   Salidas: 0   Total: 0",
      "  Hora punta: ninguna",
      "  Punta de mañana: entradas ninguna; salidas ninguna; total ninguna",
      "  Punta de tarde: entradas ninguna; salidas ninguna; total ninguna",
      "  Ocupación: máxima -2 a las 00:00:00, mínima -2, al final del día -2",
      "  Puesta a cero a las 03:00: corrección 0",
      "  Ocupación máxima: -5,0 % de la capacidad",
      "",
      "29/02/2028 martes, sin datos",
      "",
      "01/03/2028 miércoles, parcial",
      "  Entradas: 0   Salidas: 0   Total: 0",
      "  Hora punta: ninguna",
  };
  // Each line whole, in this order (the lines between them are other tests' concern).
  std::size_t at = 0;
  for (const char* line : lines) {
    const std::size_t found = text.find(std::string(line) + "\n", at);
    ASSERT_NE(found, std::string::npos) << line << "\n---\n" << text;
    EXPECT_TRUE(found == 0 || text[found - 1] == '\n') << line;
    at = found + std::strlen(line) + 1;
  }
  EXPECT_TRUE(text.ends_with("  Ocupación máxima: 0,0 % de la capacidad\n\n")) << text;
}

}  // namespace
}  // namespace tarvex

#pragma once

#include <QWidget>
#include <chrono>

#include "analysis/count_analysis.h"
#include "conversion/conversion_session.h"
#include "window/platform.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace tarvex {

class DayChart;

// "Resumen": what the counts of the converted download say. A table with a row per day
// counted (fecha, entradas, salidas, total, hora punta, vehículos en hora punta, factor,
// ocupación máxima, ocupación al final del día); for the day chosen in it, a chart of its
// hours and occupancy; the checks on the data; and "Exportar CSV…", which appends the
// passages or the intervals to a file chosen in the file dialog, as a report is appended
// (the header row only into an empty file, never into the open download).
class SummaryWindow : public QWidget {
 public:
  SummaryWindow(Platform& platform, ConversionSession& session, QWidget* parent);

  // Shows what the session's converted download says now.
  void Refresh();
  // Exportar CSV…: the export chosen in Export (0 passages, 1 intervals of 15 minutes,
  // 2 intervals of 60 minutes), through the Save dialog.
  void Export_Click();
  void SetExportWait(std::chrono::milliseconds wait) { export_wait_ = wait; }

  QLabel* Identification;
  QTableWidget* Days;
  DayChart* Chart;
  QListWidget* Checks;
  QComboBox* Export;
  QPushButton* ExportButton;

 private:
  void ShowDay(int row);

  Platform& platform_;
  ConversionSession& session_;
  CountAnalysis analysis_;
  QString export_name_;  // the file chosen last, where the next export dialog starts
  std::chrono::milliseconds export_wait_{10000};
};

}  // namespace tarvex

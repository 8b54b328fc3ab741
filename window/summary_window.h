#pragma once

#include <QWidget>
#include <chrono>
#include <vector>

#include "analysis/count_analysis.h"
#include "conversion/conversion_session.h"
#include "conversion/regional_format.h"
#include "window/platform.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTableView;
class QTableWidget;

namespace tarvex {

class DayChart;
class DayHoursModel;

// "Resumen": what the counts of the converted download say. A table with a row per day
// counted (fecha, entradas, salidas, total, hora punta, vehículos en hora punta, factor,
// ocupación máxima, mínima and at the end of the day), dates and decimals in the user's
// regional forms; for the day chosen in it, a table of its 24 hours and the chart drawn from
// it; the checks on the data; "Exportar CSV…", which appends the passages or the intervals
// to a file chosen in the file dialog, as a report is appended (the header row only into an
// empty file, never into the open download); and "Cerrar" (Escape too).
//
// Tab and Shift+Tab go from control to control, the arrows move within a table. The tables
// come first: the three sections share the height in a splitter and the chart, beside the
// hours, gives up its width to them; the window opens no larger than its screen.
class SummaryWindow : public QWidget {
  Q_OBJECT

 public:
  SummaryWindow(Platform& platform, ConversionSession& session, const RegionalFormatter& forms,
                QWidget* parent);

  // Shows what the session's converted download says now.
  void Refresh();
  // Exportar CSV…: the export chosen in exportChoice (0 passages, 1 intervals of 15 minutes,
  // 2 intervals of 60 minutes), through the Save dialog.
  void exportTable();

  QLabel* identification;
  QTableWidget* daysTable;
  DayHoursModel* dayHours;
  QTableView* hoursTable;
  DayChart* chart;
  QListWidget* checksList;
  QComboBox* exportChoice;
  QPushButton* exportButton;
  QPushButton* closeButton;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ShowDay(int row);
  void FitToScreen();

  Platform& platform_;
  ConversionSession& session_;
  const RegionalFormatter& forms_;
  CountAnalysis analysis_;
  QScrollArea* scroll_ = nullptr;  // where the screen is too small for the least of it
  QWidget* content_;               // all of it
  QSplitter* sections_;            // the days, the chosen day (hours and chart), the checks
  QSplitter* day_;                 // the hours table and the chart
  std::vector<int> wanted_;        // the height each section needs, until the window shows
  int hours_width_ = 0;            // the width the hours table needs
  QString export_name_;            // the file chosen last, where the next export dialog starts
};

}  // namespace tarvex

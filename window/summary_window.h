#pragma once

#include <QWidget>
#include <chrono>
#include <vector>

#include "analysis/count_analysis.h"
#include "conversion/conversion_session.h"
#include "conversion/regional_format.h"
#include "window/platform.h"

class QCheckBox;
class QComboBox;
class QSpinBox;
class QTimeEdit;
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

// "Resumen": what the counts of the converted download say. A table with a row per day of
// the period (fecha, día, cobertura, entradas, salidas, total, hora punta, vehículos en hora
// punta, factor, reparto, ocupación máxima, mínima and at the end of the day, and with a
// calibration the reset's correction and the share of the capacity), dates and decimals in
// the user's regional forms; a table of the average weekday and weekend day; for the day or
// average day chosen in them, a table of its 24 hours and the chart drawn from it, and the
// day's morning and afternoon peaks per direction; the checks on the data; the occupancy's
// calibration (start, daily reset, capacity), remembered per counter serial number and
// applied by analysing again; "Exportar CSV…", which appends the passages, the intervals,
// the days or the hours to a file chosen in the file dialog, as a report is appended (the
// header row only into an empty file, never into the open download); and "Cerrar" (Escape
// too).
//
// Tab and Shift+Tab go from control to control, the arrows move within a table. The tables
// come first: the three sections share the height in a splitter and the chart, beside the
// hours, gives up its width to them; the window opens no larger than its screen.
class SummaryWindow : public QWidget {
  Q_OBJECT

 public:
  SummaryWindow(Platform& platform, ConversionSession& session, const RegionalFormatter& forms,
                QWidget* parent);

  // Shows what the session's converted download says now, with the calibration remembered
  // for its counter's serial number.
  void Refresh();
  // Aplicar: analyses again with the calibration of the controls, and remembers it.
  void applyCalibration();
  // Exportar CSV…: the export chosen in exportChoice (0 passages, 1 intervals of 15 minutes,
  // 2 intervals of 60 minutes, 3 days, 4 hours), through the Save dialog.
  void exportTable();
  // Exportar libro…: the download's workbook (see Workbook), with the calibration in use, to a
  // file chosen in the Replace dialog (its question is the replace), never into the download.
  void exportWorkbook();

  // The calibration in use, as analysed.
  const Calibration& CalibrationInUse() const { return calibration_; }

  QLabel* identification;
  QTableWidget* daysTable;
  QTableWidget* averagesTable;
  DayHoursModel* dayHours;
  QTableView* hoursTable;
  DayChart* chart;
  QTableWidget* peaksTable;
  QListWidget* checksList;
  QSpinBox* occupancyStartBox;
  QCheckBox* resetCheck;
  QTimeEdit* resetTimeEdit;
  QCheckBox* capacityCheck;
  QSpinBox* capacityBox;
  QPushButton* applyButton;
  QComboBox* exportChoice;
  QPushButton* exportButton;
  QPushButton* workbookButton;
  QPushButton* closeButton;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Asks, through the dialog in `mode` with `files` (its caption) and `patterns`, for the
  // file an export goes to, starting at `last` (else the download's folder); `last` becomes
  // the file chosen, given the filter's extension when it has none. Returns the name the
  // dialog handed back; nothing when the user cancelled.
  std::optional<QString> ChooseExport(FileDialogMode mode, const char* files, const char* patterns,
                                      QString& last);
  void ShowAnalysis(bool keep);
  void ShowDay(int row);
  void ShowAverage(int row);
  void ShowPeaks(int row);
  void ShowCalibration(const Calibration& calibration);
  Calibration ChosenCalibration() const;
  QString SettingsGroup() const;
  void FitToScreen();

  Platform& platform_;
  ConversionSession& session_;
  const RegionalFormatter& forms_;
  CountAnalysis analysis_;
  Calibration calibration_;        // as analysed
  int average_ = -1;               // the average day the chart shows (0 weekday, 1 weekend)
  QScrollArea* scroll_ = nullptr;  // where the screen is too small for the least of it
  QWidget* content_;               // all of it
  QSplitter* sections_;            // the days, the chosen day (hours and chart), the checks
  QSplitter* day_;                 // the hours table, and the chart over the peaks
  std::vector<int> wanted_;        // the height each section needs, until the window shows
  int hours_width_ = 0;            // the width the hours table needs
  QString workbook_name_;          // the workbook chosen last, where the next dialog starts
  QString export_name_;            // the file chosen last, where the next export dialog starts
};

}  // namespace tarvex

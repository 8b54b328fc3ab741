#pragma once

// The window's facts, each written once: the captions, the names assistive technology gives
// the controls, the file dialogs' choices, the wait for another writer and the design size.
// Texts are in Spanish, the source language; each is marked for the translation context of
// the class that shows it through its tr().

#include <QSize>
#include <QtGlobal>
#include <chrono>

#include "window/window_facts.h"

namespace tarvex {

// The main window's caption, also the title of every message box.
inline constexpr const char* kAppTitle = "Tarvex " TARVEX_VERSION;

// The size the main window opens at where its font and the screen allow; the end-to-end test
// reads it from here.
inline constexpr QSize kDesignSize(471, 648);

// How long a Save or an export waits for another program writing the same file before it
// gives up with failure 56, writing nothing.
inline constexpr std::chrono::milliseconds kLockWait =
    std::chrono::seconds(TARVEX_WINDOW_LOCK_WAIT);

// The main window's buttons (each with its access key), captions, fields before a download
// and the names screen readers give its boxes.
#define TARVEX_MAIN(text) QT_TRANSLATE_NOOP("tarvex::MainWindow", text)
inline constexpr const char* kOpenCaption = TARVEX_MAIN("&Abrir");
inline constexpr const char* kConvertCaption = TARVEX_MAIN("&Conversion");
inline constexpr const char* kSaveCaption = TARVEX_MAIN("&Guardar");
inline constexpr const char* kSummaryCaption = TARVEX_MAIN("&Resumen");
inline constexpr const char* kEntriesCaption = TARVEX_MAIN("ENTRADAS:");
inline constexpr const char* kExitsCaption = TARVEX_MAIN("SALIDAS:");
inline constexpr const char* kTotalCaption = TARVEX_MAIN("TOTAL:");
inline constexpr const char* kSerialCaption = TARVEX_MAIN("S/N:");
inline constexpr const char* kCounterCaption = TARVEX_MAIN("Contador:");
inline constexpr const char* kDownloadDateCaption = TARVEX_MAIN("Descargado:");
inline constexpr const char* kNoField = "XXXX";  // serial number and date before a download
inline constexpr const char* kNoPath = "C:";     // each path box before a file is chosen
inline constexpr const char* kDownloadPathName = TARVEX_MAIN("Archivo de descarga");
inline constexpr const char* kDownloadTextName = TARVEX_MAIN("Texto de la descarga");
inline constexpr const char* kEntriesName = TARVEX_MAIN("Entradas");
inline constexpr const char* kExitsName = TARVEX_MAIN("Salidas");
inline constexpr const char* kReportPathName = TARVEX_MAIN("Archivo de informe");
#undef TARVEX_MAIN

// The file dialogs' choices: patterns separated by ";", and a caption each, "%1" standing for
// its patterns.
#define TARVEX_DIALOG(text) QT_TRANSLATE_NOOP("tarvex::CommonDialog", text)
inline constexpr const char* kDownloadPatterns = TARVEX_DOWNLOAD_PATTERNS;
inline constexpr const char* kTextPatterns = "*.txt";
inline constexpr const char* kCsvPatterns = "*.csv";
inline constexpr const char* kDownloadFiles = TARVEX_DIALOG("Velmor(%1)");
inline constexpr const char* kTextFiles = TARVEX_DIALOG("Texto (%1)");
inline constexpr const char* kCsvFiles = TARVEX_DIALOG("Tablas CSV (%1)");
inline constexpr const char* kWorkbookPatterns = "*.xlsx";
inline constexpr const char* kWorkbookFiles = TARVEX_DIALOG("Libros de hoja de cálculo (%1)");
inline constexpr const char* kAllFiles = TARVEX_DIALOG("Todos los archivos (*)");
#undef TARVEX_DIALOG

// Resumen: its title before the program's, its sections' captions (each also the name of the
// control it labels), the exports and the columns of its tables.
#define TARVEX_SUMMARY(text) QT_TRANSLATE_NOOP("tarvex::SummaryWindow", text)
inline constexpr const char* kSummaryTitle = TARVEX_SUMMARY("Resumen - ");
inline constexpr const char* kDaysCaption = TARVEX_SUMMARY("&Días:");
inline constexpr const char* kHoursCaption = TARVEX_SUMMARY("&Horas del día:");
inline constexpr const char* kChecksCaption = TARVEX_SUMMARY("&Comprobaciones:");
inline constexpr const char* kExportCaption = TARVEX_SUMMARY("&Tabla:");
inline constexpr const char* kExportButton = TARVEX_SUMMARY("&Exportar CSV…");
inline constexpr const char* kWorkbookButton = TARVEX_SUMMARY("Exportar li&bro…");
inline constexpr const char* kCloseButton = TARVEX_SUMMARY("Ce&rrar");
inline constexpr const char* kExports[] = {
    TARVEX_SUMMARY("Pasos"), TARVEX_SUMMARY("Intervalos de 15 minutos"),
    TARVEX_SUMMARY("Intervalos de 60 minutos"), TARVEX_SUMMARY("Días"), TARVEX_SUMMARY("Horas")};
inline constexpr const char* kDayColumns[] = {
    TARVEX_SUMMARY("Fecha"),
    TARVEX_SUMMARY("Día"),
    TARVEX_SUMMARY("Cobertura"),
    TARVEX_SUMMARY("Entradas"),
    TARVEX_SUMMARY("Salidas"),
    TARVEX_SUMMARY("Total"),
    TARVEX_SUMMARY("Hora punta"),
    TARVEX_SUMMARY("Vehículos en hora punta"),
    TARVEX_SUMMARY("Factor"),
    TARVEX_SUMMARY("Reparto (%)"),
    TARVEX_SUMMARY("Ocupación máxima"),
    TARVEX_SUMMARY("Ocupación mínima"),
    TARVEX_SUMMARY("Ocupación al final del día"),
    TARVEX_SUMMARY("Corrección de la puesta a cero"),
    TARVEX_SUMMARY("Ocupación máxima (% de la capacidad)")};
// The columns shown only with a daily reset, and with a capacity.
inline constexpr int kCorrectionColumn = 13;
inline constexpr int kCapacityColumn = 14;
// The average days: the table's caption and columns, its two rows, and what a row says when
// there is no complete day of its kind.
inline constexpr const char* kAveragesCaption = TARVEX_SUMMARY("Días &medios:");
inline constexpr const char* kAverageColumns[] = {
    TARVEX_SUMMARY("Día medio"), TARVEX_SUMMARY("Días completos"), TARVEX_SUMMARY("Entradas"),
    TARVEX_SUMMARY("Salidas"), TARVEX_SUMMARY("Total")};
inline constexpr const char* kAverageDays[] = {TARVEX_SUMMARY("Día laborable medio"),
                                               TARVEX_SUMMARY("Día de fin de semana medio")};
inline constexpr const char* kNoAverage[] = {
    TARVEX_SUMMARY("ningún día completo de lunes a viernes"),
    TARVEX_SUMMARY("ningún sábado ni domingo completo")};
// The chosen day's peaks per direction: the table's caption, columns and rows.
inline constexpr const char* kPeaksCaption = TARVEX_SUMMARY("&Puntas del día:");
inline constexpr const char* kPeakColumns[] = {TARVEX_SUMMARY("Punta"), TARVEX_SUMMARY("Hora"),
                                               TARVEX_SUMMARY("Vehículos"),
                                               TARVEX_SUMMARY("Factor")};
inline constexpr const char* kPeakRows[] = {
    TARVEX_SUMMARY("Entradas, mañana"), TARVEX_SUMMARY("Entradas, tarde"),
    TARVEX_SUMMARY("Salidas, mañana"),  TARVEX_SUMMARY("Salidas, tarde"),
    TARVEX_SUMMARY("Total, mañana"),    TARVEX_SUMMARY("Total, tarde")};
// The occupancy's calibration: its captions (each with its access key), the names of
// the controls without a caption of their own, and the ranges of the values.
inline constexpr const char* kStartCaption = TARVEX_SUMMARY("Ocupación &inicial:");
inline constexpr const char* kResetCaption = TARVEX_SUMMARY("P&uesta a cero cada día a las");
inline constexpr const char* kResetTimeName = TARVEX_SUMMARY("Hora de la puesta a cero");
inline constexpr const char* kCapacityCaption = TARVEX_SUMMARY("C&apacidad en plazas");
inline constexpr const char* kCapacityName = TARVEX_SUMMARY("Número de plazas");
inline constexpr const char* kApplyButton = TARVEX_SUMMARY("Ap&licar");
inline constexpr const char* kApplyDescription = TARVEX_SUMMARY(
    "Analiza de nuevo la descarga con esta calibración y la recuerda para este número de serie");
inline constexpr int kMostOccupancy = 1000000;  // the start's and the capacity's largest
#undef TARVEX_SUMMARY

// The chosen day's hours: the table's columns, also the chart's legend, and the chart's name.
#define TARVEX_DAY(text) QT_TRANSLATE_NOOP("tarvex::DayHoursModel", text)
inline constexpr const char* kHourColumns[] = {TARVEX_DAY("Hora"), TARVEX_DAY("Entradas"),
                                               TARVEX_DAY("Salidas"),
                                               TARVEX_DAY("Ocupación al final de la hora")};
// The last column of an average day's hours: the mean of both directions.
inline constexpr const char* kAverageTotalColumn = TARVEX_DAY("Total");
inline constexpr const char* kChartName = QT_TRANSLATE_NOOP("tarvex::DayChart", "Gráfico del día");
#undef TARVEX_DAY

}  // namespace tarvex

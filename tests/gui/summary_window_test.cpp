// Resumen, opened from the main window over a fake desktop: its tables, chart, checks and
// exports, as a screen reader and the keyboard reach them (at any font size: see the main
// window's test).
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <algorithm>

#include "gui/gui_support.h"
#include "window/day_chart.h"

using namespace tarvex::testing;

class SummaryWindowTests : public MainWindowTest {
  Q_OBJECT

  // A table as assistive technology reads it: its header, then its rows, cells split by "|".
  // Read afresh: with no screen reader running, Qt tells no cell it keeps of a change.
  static QStringList Read(QWidget* view) {
    QAccessible::deleteAccessibleInterface(
        QAccessible::uniqueId(QAccessible::queryAccessibleInterface(view)));
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(view)->tableInterface();
    QStringList rows, header;
    for (int column = 0; column < table->columnCount(); ++column) {
      header << table->columnDescription(column);
    }
    rows << header.join('|');
    for (int row = 0; row < table->rowCount(); ++row) {
      QStringList cells;
      for (int column = 0; column < table->columnCount(); ++column) {
        cells << table->cellAt(row, column)->text(QAccessible::Name);
      }
      rows << cells.join('|');
    }
    return rows;
  }

  static inline const QString kDayHeader = QStringLiteral(
      "Fecha|Día|Cobertura|Entradas|Salidas|Total|Hora punta|Vehículos en hora punta|Factor|"
      "Reparto (%)|Ocupación máxima|Ocupación mínima|Ocupación al final del día|"
      "Corrección de la puesta a cero|Ocupación máxima (% de la capacidad)");

  QTemporaryDir settings_;

  static QString Description(QWidget* chart) {
    return QAccessible::queryAccessibleInterface(chart)->text(QAccessible::Description);
  }

 private slots:
  // The calibrations remembered go to a folder of the test's own, never the user's settings.
  void initTestCase() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
  }

  // Resumen (Alt+R, once a download is converted): the download's identification; a row per
  // day, dates and decimals in the lists' regional forms; the chosen day's 24 hours as a table
  // the chart draws from; the checks; and exports of the passages and intervals appended as
  // reports are, with the header row only into an empty file, never into the open download.
  // Tab goes from control to control, the arrows move in a table, and Escape or Cerrar closes
  // the window.
  void theSummaryWindowShowsTheCountsAndExportsThem() {
    QVERIFY(QFile::copy(Data("checks.vlm"), Temp("checks.vlm")));  // a copy: an export may fail
    Press(Qt::Key_A, Temp("checks.vlm"));
    QVERIFY(!W().summaryButton->isEnabled());
    Press(Qt::Key_C);
    Press(Qt::Key_R);
    tarvex::SummaryWindow* summary = W().summaryWindow;
    QVERIFY(summary != nullptr && summary->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), summary);
    QCOMPARE(summary->windowTitle(), QStringLiteral("Resumen - Tarvex " TARVEX_VERSION));
    // A row per day of the period, in the lists' forms; a day with no passage has no peak.
    const QStringList days = Read(summary->daysTable);
    QCOMPARE(days.value(0), kDayHeader);
    for (const char* row :
         {"06/03/2011|domingo|parcial|0|1|1|08:30-09:30|1|0,25|100,0|0 (00:00:00)|-1|-1",
          "07/03/2011|lunes|completo|0|0|0||0|||-1 (00:00:00)|-1|-1",
          "02/11/2026|lunes|completo|6|3|9|07:45-08:45|6|0,50|83,3|2 (23:59:58)|-3|2",
          "05/11/2026|jueves|completo|0|0|0||0|||3 (00:00:00)|3|3",
          "06/11/2026|viernes|parcial|0|1|1|09:15-10:15|1|0,25|100,0|3 (00:00:00)|2|2"}) {
      QVERIFY2(days.contains(QString::fromUtf8(row) + "||"), row);  // no calibration
    }
    QCOMPARE(days.size() - 1, 5725);  // 06/03/2011 to 06/11/2026
    QStringList captions;
    for (const QLabel* label : summary->findChildren<QLabel*>()) captions << label->text();
    for (const QAbstractButton* button : summary->findChildren<QAbstractButton*>()) {
      if (!button->text().isEmpty()) captions << button->text();  // not a table's corner
    }
    const QString summary_text = QString::fromStdString(Bytes(Data("checks.summary.txt")));
    QCOMPARE(captions.takeFirst(), summary_text.section('\n', 1, 2));
    captions.sort();
    QCOMPARE(captions.join('|'),
             "&Comprobaciones:|&Días:|&Exportar CSV…|&Horas del día:|&Puntas del día:|&Tabla:|"
             "Ap&licar|C&apacidad en plazas|Ce&rrar|Días &medios:|Exportar li&bro…|"
             "Ocupación &inicial:|P&uesta a cero cada día a las");
    QSet<QChar> keys;  // no two share an access key
    for (const QString& caption : captions) {
      const QChar key = caption.at(caption.indexOf('&') + 1).toLower();
      QVERIFY2(!keys.contains(key), qPrintable(caption));
      keys.insert(key);
    }
    // The chosen day's hours, as assistive technology reads them, are the intervals of 60
    // minutes of that day; the chart tells its scales; Down in the days chooses the next.
    const QStringList intervals = QString::fromStdString(Bytes(Data("checks.intervals60.csv")))
                                      .split('\n', Qt::SkipEmptyParts)
                                      .mid(1);
    QCOMPARE(QApplication::focusWidget(), summary->daysTable);  // the first control
    for (const QString date : {"2011-03-06", "2026-11-02", "2026-11-03"}) {
      const QString shown = date.mid(8) + '/' + date.mid(5, 2) + '/' + date.left(4);
      summary->daysTable->setCurrentCell(
          summary->daysTable->findItems(shown, Qt::MatchExactly).value(0)->row(), 0);
      QStringList expected = {"Hora|Entradas|Salidas|Ocupación al final de la hora"};
      int busiest = 1, low = 0, high = 1;
      for (const QString& line : intervals) {
        const QStringList f = line.trimmed().split(',');
        if (f[3] != date) continue;
        expected << f[4] + '-' + f[5] + '|' + f[6] + '|' + f[7] + '|' + f[9];
        busiest = std::max({busiest, f[6].toInt(), f[7].toInt()});
        low = std::min(low, f[9].toInt());
        high = std::max(high, f[9].toInt());
      }
      QCOMPARE(Read(summary->hoursTable), expected);
      QVERIFY2(Description(summary->chart).contains(QStringLiteral("de 0 a %1;").arg(busiest)) &&
                   Description(summary->chart)
                       .contains(QStringLiteral("derecha, de %1 a %2.").arg(low).arg(high)),
               qPrintable(Description(summary->chart)));
      // However short the chart, no two numbers of its scales overlap, and their ends are drawn.
      tarvex::DayChart lone(summary->dayHours, nullptr);
      for (int height = lone.minimumSizeHint().height(); height < 300; height += 5) {
        lone.resize(400, height);
        lone.grab();
        QStringList ends;
        for (const auto& label : lone.Labels()) {
          for (const auto& other : lone.Labels()) {
            QVERIFY(&label == &other || !label.box.intersects(other.box));
          }
          if (label.axis > 0) ends << label.text;
        }
        QVERIFY2(lone.Labels().isEmpty() ||
                     ends.mid(0, 4) == QStringList({"0", QString::number(busiest),
                                                    QString::number(low), QString::number(high)}),
                 qPrintable(ends.join(' ')));
      }
    }
    QTest::keyClick(summary->daysTable, Qt::Key_Down);
    QCOMPARE(summary->daysTable->item(summary->daysTable->currentRow(), 0)->text(), "04/11/2026");
    summary->dayHours->SetDay(std::nullopt);
    QCOMPARE(Description(summary->chart), QStringLiteral("Ningún día elegido"));
    QCOMPARE(QAccessible::queryAccessibleInterface(summary->chart)->role(), QAccessible::Chart);
    // Tab and Shift+Tab go round the controls, each named for assistive technology by its
    // caption where it has one (a list box, as Qt does on Linux, by its choice, its caption
    // being its label), and no two controls share a spot.
    QStringList names;
    QList<QRect> spots;
    for (int i = 0; i < 26; ++i) {
      QTest::keyClick(QApplication::focusWidget(), i < 13 ? Qt::Key_Tab : Qt::Key_Backtab,
                      i < 13 ? Qt::NoModifier : Qt::ShiftModifier);
      QWidget* control = QApplication::focusWidget();
      names << QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
      const QRect spot(control->mapTo(summary, QPoint()), control->size());
      for (const QRect& other : spots)
        QVERIFY2(i >= 13 || !spot.intersects(other), qPrintable(names.last()));
      if (i < 13) spots << spot;
    }
    const QString forth =
        "Días medios|Horas del día|Comprobaciones|Puntas del día|Ocupación inicial|"
        "Puesta a cero cada día a las|Capacidad en plazas|Aplicar|Pasos|Exportar CSV…|"
        "Exportar libro…|Cerrar|Días";
    QStringList back = forth.split('|');
    std::reverse(back.begin(), back.end());
    QCOMPARE(names.join('|'), forth + '|' + back.mid(1).join('|') + "|Días");
    QStringList checks;
    for (int i = 0; i < summary->checksList->count(); ++i) {
      checks << summary->checksList->item(i)->text();
    }
    // The summary's checks, and the complete days without a passage (all but three of the
    // 5723 complete ones).
    const QStringList summary_checks =
        summary_text.section("Comprobaciones:\n", 1).section("\n\n", 0, 0).split('\n');
    QCOMPARE("  " + checks.mid(0, summary_checks.size()).join("\n  "), summary_checks.join('\n'));
    QVERIFY(
        checks.contains("Días completos sin ningún paso: 5720 (primeros días 07/03/2011, "
                        "08/03/2011, 09/03/2011, 10/03/2011, 11/03/2011)"));
    platform_.answers << Temp("pasos") << Temp("horas.csv") << Temp("horas.csv")
                      << Temp("checks.vlm");
    platform_.filters << "Tablas CSV";  // as a dialog hiding the patterns hands it back
    summary->exportButton->click();
    summary->exportChoice->setCurrentIndex(2);
    summary->exportButton->click();
    summary->exportButton->click();
    summary->exportButton->click();
    QCOMPARE(Bytes(Temp("pasos.csv")), Bytes(Data("checks.passages.csv")));
    const std::string hours = Bytes(Data("checks.intervals60.csv"));
    QCOMPARE(Bytes(Temp("horas.csv")), hours + hours.substr(hours.find('\n') + 1));
    QCOMPARE(platform_.log.last(),
             Box(55, "El informe no puede guardarse en el archivo de descarga abierto",
                 Temp("checks.vlm")));
    QCOMPARE(Bytes(Temp("checks.vlm")), Bytes(Data("checks.vlm")));
    QCOMPARE(platform_.dialogs.at(1),
             "Save|Tablas CSV (*.csv);Todos los archivos (*)|Tablas CSV (*.csv)|" +
                 QFileInfo(Temp("checks.vlm")).absolutePath());
    // Escape, Cerrar's access key and Cerrar close the window, and the main window is active.
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_R, Qt::Key_unknown}) {
      QVERIFY(summary->isVisible());
      if (key == Qt::Key_unknown) summary->closeButton->click();
      if (key != Qt::Key_unknown) {
        QTest::keyClick(QApplication::focusWidget(), key,
                        key == Qt::Key_R ? Qt::AltModifier : Qt::NoModifier);
      }
      QTRY_VERIFY(!summary->isVisible());
      QTRY_COMPARE(QApplication::activeWindow(), window_.get());
      Press(Qt::Key_R);
      QTRY_COMPARE(QApplication::activeWindow(), summary);
    }
    W().openDownload(Data("worked_example.vlm"));  // another file: nothing to sum up yet
    QVERIFY(!W().summaryButton->isEnabled() && !summary->isVisible());
  }
  // Each reference download with a short period: its days in Resumen are the golden
  // generator's table of days (date, weekday, coverage, counts, split, occupancy), and its
  // average days its summary's.
  void theDaysAndAverageDaysAreTheReferences() {
    for (const QFileInfo& table : QDir(Data("")).entryInfoList({"*.days.csv"})) {
      const QString name = table.fileName().section('.', 0, 0);
      const QStringList rows =
          QString::fromStdString(Bytes(table.filePath())).split("\r\n", Qt::SkipEmptyParts).mid(1);
      if (rows.size() > 40) continue;  // the long periods: the transcript counts their rows
      if (W().summaryWindow != nullptr) W().summaryWindow->close();
      QTRY_COMPARE(QApplication::activeWindow(), window_.get());
      Press(Qt::Key_A, Data("") + name + ".vlm");
      Press(Qt::Key_C);
      Press(Qt::Key_R);
      tarvex::SummaryWindow* summary = W().summaryWindow;
      QTRY_COMPARE(QApplication::activeWindow(), summary);
      const QStringList days = Read(summary->daysTable).mid(1);
      QCOMPARE(days.size(), rows.size());
      for (int row = 0; row < rows.size(); ++row) {
        // fecha, dia, completo, entradas, salidas, total, reparto and occupancy.
        const QStringList f = rows[row].split(',').mid(rows[row].count(',') - 15);
        const QStringList shown = days[row].split('|');
        const QString date = f[0].mid(8) + '/' + f[0].mid(5, 2) + '/' + f[0].left(4);
        const QString coverage = f[2] == "si" ? "completo" : f[2] == "no" ? "parcial" : f[2];
        QCOMPARE(QStringList({shown[0], shown[1], shown[2], shown[3], shown[4], shown[5], shown[9],
                              shown[10].section(' ', 0, 0), shown[11], shown[12]})
                     .join('|'),
                 QStringList({date, f[1], coverage, f[3], f[4], f[5],
                              QString(f[12]).replace('.', ','), f[13], f[14], f[15]})
                     .join('|'));
      }
      // "Día laborable medio: 4 días completos" and "  Entradas: 2,8   Salidas: 2,3   Total:
      // 5,0", or "...: ningún día completo de lunes a viernes".
      const QString text = QString::fromStdString(Bytes(Data("") + name + ".summary.txt"));
      const QStringList averages = Read(summary->averagesTable).mid(1);
      for (int kind = 0; kind < 2; ++kind) {
        const QString title = kind == 0 ? "Día laborable medio: " : "Día de fin de semana medio: ";
        if (!text.contains(title)) {
          QVERIFY(rows.isEmpty());  // no period, no averages
          continue;
        }
        const QString said = text.section(title, 1).section('\n', 0, 1);
        const QStringList shown = averages[kind].split('|');
        if (said.startsWith("ningún")) {
          QCOMPARE(shown[1], said.section('\n', 0, 0));
        } else {
          QCOMPARE(shown.mid(1).join('|'), said.section(' ', 0, 0) + '|' +
                                               said.section('\n', 1)
                                                   .simplified()
                                                   .remove(QRegularExpression("[A-Za-z:]+ "))
                                                   .replace(' ', '|'));
        }
      }
    }
  }

  // A week of a counter, from Thursday evening to its download on Monday morning, every day a
  // row: its weekday and whether the counter held it whole; the average weekday (Friday) and
  // weekend day (Saturday and a Sunday without a passage), drawn by the chart when chosen; the
  // chosen day's peaks per direction. A calibration applied analyses again, is exported as the
  // command line writes it with the same options, and is remembered for that serial number
  // alone.
  void theWeekItsAverageDaysAndItsCalibration() {
    const auto stamp = [](int day, int hour, int minute) {
      const quint32 bits = (quint32{2026 - 1980} << 25) | (11u << 21) |
                           (static_cast<quint32>(day) << 16) | (static_cast<quint32>(hour) << 11) |
                           (static_cast<quint32>(minute) << 5);
      return QStringLiteral("%1").arg(bits, 8, 16, QLatin1Char('0')).toUpper();
    };
    QString passages;
    const struct {
      int day, hour, minute;
      char way;
    } week[] = {{26, 18, 0, '@'}, {27, 7, 0, '@'},   {27, 7, 15, '@'}, {27, 7, 20, '#'},
                {27, 17, 0, '#'}, {27, 17, 10, '#'}, {28, 8, 0, '@'},  {28, 8, 10, '@'},
                {28, 8, 20, '#'}, {30, 7, 30, '@'}};
    for (const auto& passage : week) {
      passages += '$' + stamp(passage.day, passage.hour, passage.minute) + passage.way;
    }
    for (const char* serial : {"09", "0A"}) {
      WriteFile(Temp(serial).toStdString() + ".vlm",
                ("&000777xx" + QString::fromLatin1(serial) + "30/11/2026 10:00:00 " + passages)
                    .toStdString());
    }
    Press(Qt::Key_A, Temp("09.vlm"));
    Press(Qt::Key_C);
    Press(Qt::Key_R);
    tarvex::SummaryWindow* summary = W().summaryWindow;
    QTRY_COMPARE(QApplication::activeWindow(), summary);
    QStringList plain = {
        "26/11/2026|jueves|parcial|1|0|1|17:15-18:15|1|0,25|100,0|1 (18:00:00)|0|1",
        "27/11/2026|viernes|completo|2|3|5|06:30-07:30|3|0,38|66,7|3 (07:15:00)|0|0",
        "28/11/2026|sábado|completo|2|1|3|07:30-08:30|3|0,38|66,7|2 (08:10:00)|0|1",
        "29/11/2026|domingo|completo|0|0|0||0|||1 (00:00:00)|1|1",
        "30/11/2026|lunes|parcial|1|0|1|06:45-07:45|1|0,25|100,0|2 (07:30:00)|1|2"};
    for (QString& row : plain) row += "||";  // no correction, no capacity
    QCOMPARE(Read(summary->daysTable), QStringList{kDayHeader} + plain);
    // The columns of a calibration are shown only with one.
    const auto hidden = [&] {
      QStringList names;
      for (int column = 0; column < summary->daysTable->columnCount(); ++column) {
        if (summary->daysTable->isColumnHidden(column)) {
          names << summary->daysTable->horizontalHeaderItem(column)->text();
        }
      }
      return names.join('|');
    };
    QCOMPARE(hidden(), kDayHeader.section('|', 13));
    QCOMPARE(Read(summary->averagesTable),
             (QStringList{"Día medio|Días completos|Entradas|Salidas|Total",
                          "Día laborable medio|1|2,0|3,0|5,0",
                          "Día de fin de semana medio|2|1,0|0,5|1,5"}));
    // An average day chosen: the hours are its means, and the chart draws them.
    const struct {
      int row;
      QStringList hours;  // the busy ones
      const char* said;
    } averages[] = {
        {1, {"08:00-09:00|1,0|0,5|1,5"}, "Día de fin de semana medio. Media de entradas"},
        {0, {"07:00-08:00|2,0|1,0|3,0", "17:00-18:00|0,0|2,0|2,0"}, "Día laborable medio. Media"},
    };
    for (const auto& average : averages) {
      summary->averagesTable->setFocus();
      summary->averagesTable->setCurrentCell(average.row, 0);
      const QStringList hours = Read(summary->hoursTable);
      QCOMPARE(hours.size(), 25);
      QCOMPARE(hours.first(), "Hora|Entradas|Salidas|Total");
      QStringList busy;
      for (const QString& hour : hours.mid(1)) {
        if (!hour.endsWith("|0,0|0,0|0,0")) busy << hour;
      }
      QCOMPARE(busy, average.hours);
      QVERIFY2(
          Description(summary->chart).startsWith(QString::fromUtf8(average.said)) &&
              Description(summary->chart)
                  .contains(QStringLiteral("de 0 a %1.").arg(average.row == 0 ? "2,0" : "1,0")),
          qPrintable(Description(summary->chart)));
    }
    // Back in the days, the chart draws the chosen day, and its peaks are beside the checks.
    summary->daysTable->setFocus();
    summary->daysTable->setCurrentCell(1, 0);
    QVERIFY(Description(summary->chart).startsWith("viernes 27/11/2026, completo. Entradas"));
    QCOMPARE(Read(summary->hoursTable).at(8), "07:00-08:00|2|1|2");
    QCOMPARE(Read(summary->peaksTable),
             (QStringList{"Punta|Hora|Vehículos|Factor", "Entradas, mañana|06:30-07:30|2|0,50",
                          "Entradas, tarde|ninguna|0|", "Salidas, mañana|06:30-07:30|1|0,25",
                          "Salidas, tarde|16:15-17:15|2|0,25", "Total, mañana|06:30-07:30|3|0,38",
                          "Total, tarde|16:15-17:15|2|0,25"}));
    // A calibration, applied with its access key: starting at 5, empty at noon, 4 places.
    summary->occupancyStartBox->setValue(5);
    summary->resetCheck->setChecked(true);
    summary->resetTimeEdit->setTime(QTime(12, 0));
    summary->capacityCheck->setChecked(true);
    summary->capacityBox->setValue(4);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::AltModifier);
    QTRY_COMPARE(summary->CalibrationInUse().start, 5);  // once the button shows pressed
    const QStringList calibrated = {
        "26/11/2026|jueves|parcial|1|0|1|17:15-18:15|1|0,25|100,0|5 (00:00:00)|0|1|5|125,0",
        "27/11/2026|viernes|completo|2|3|5|06:30-07:30|3|0,38|66,7|3 (07:15:00)|-2|-2|2|75,0",
        "28/11/2026|sábado|completo|2|1|3|07:30-08:30|3|0,38|66,7|0 (08:10:00)|-2|0|-1|0,0",
        "29/11/2026|domingo|completo|0|0|0||0|||0 (00:00:00)|0|0|0|0,0",
        "30/11/2026|lunes|parcial|1|0|1|06:45-07:45|1|0,25|100,0|1 (07:30:00)|0|1||25,0"};
    QCOMPARE(Read(summary->daysTable), QStringList{kDayHeader} + calibrated);
    QCOMPARE(hidden(), QString());
    QCOMPARE(summary->daysTable->currentRow(), 1);  // the day chosen stays chosen
    // The days, the hours and the workbook exported are the command line's, the days and the
    // workbook with the same calibration (the workbook's parts but the time it was made); an
    // export never goes into the download.
    const QStringList calibration = {"--occupancy-start", "5", "--occupancy-reset", "12:00",
                                     "--capacity",        "4"};
    const struct {
      int choice;  // -1: the workbook
      QStringList options;
    } exports[] = {{3, QStringList{"--format", "days"} + calibration},
                   {4, {"--format", "hourly"}},
                   {-1, QStringList{"--format", "workbook"} + calibration}};
    for (const auto& table : exports) {
      const QString suffix = table.choice < 0 ? ".xlsx" : ".csv";
      platform_.answers << Temp("tabla") + suffix << Temp("09.vlm");
      QPushButton* button = table.choice < 0 ? summary->workbookButton : summary->exportButton;
      if (table.choice >= 0) summary->exportChoice->setCurrentIndex(table.choice);
      button->click();
      button->click();
      QCOMPARE(platform_.log.last(),
               Box(55, "El informe no puede guardarse en el archivo de descarga abierto",
                   Temp("09.vlm")));
      QProcess report;
      report.setWorkingDirectory(dir_.path());
      report.start(TARVEX_REPORT_PROGRAM,
                   table.options + QStringList{"-o", "linea" + suffix, "09.vlm"});
      QVERIFY(report.waitForFinished(60000) && report.exitCode() == 0);
      if (table.choice >= 0) {
        QCOMPARE(Bytes(Temp("tabla.csv")), Bytes(Temp("linea.csv")));
      } else {
        QCOMPARE(platform_.dialogs.last(),
                 "Replace|Libros de hoja de cálculo (*.xlsx);Todos los archivos (*)|"
                 "Libros de hoja de cálculo (*.xlsx)|" +
                     Temp("tabla.xlsx"));
        QProcess same;
        same.start("/usr/bin/python3",
                   {"-c",
                    "import sys, zipfile\n"
                    "a, b = (zipfile.ZipFile(f) for f in sys.argv[1:])\n"
                    "sys.exit(a.namelist() != b.namelist() or any(a.read(n) != b.read(n)"
                    " for n in a.namelist() if n != 'docProps/core.xml'))",
                    Temp("tabla.xlsx"), Temp("linea.xlsx")});
        QVERIFY(same.waitForFinished(60000) && same.exitCode() == 0);
        // A name given its extension here was never asked about: the file there stays.
        const std::string before = Bytes(Temp("tabla.xlsx"));
        platform_.answers << Temp("tabla");
        button->click();
        QCOMPARE(platform_.log.last(), "warning|Tarvex " TARVEX_VERSION "|«" + Temp("tabla.xlsx") +
                                           "» ya existe; se deja como está y el libro no se ha "
                                           "guardado.");
        QCOMPARE(Bytes(Temp("tabla.xlsx")), before);
      }
      QVERIFY(QFile::remove(Temp("tabla") + suffix) && QFile::remove(Temp("linea") + suffix));
    }
    QCOMPARE(Bytes(Temp("09.vlm")), ("&000777xx0930/11/2026 10:00:00 " + passages).toStdString());
    // Another counter starts uncalibrated; this one gets its calibration back.
    for (const char* serial : {"0A", "09"}) {
      summary->close();
      QTRY_COMPARE(QApplication::activeWindow(), window_.get());
      Press(Qt::Key_A, Temp(serial) + ".vlm");
      Press(Qt::Key_C);
      Press(Qt::Key_R);
      QTRY_COMPARE(QApplication::activeWindow(), summary);
      const bool again = serial[1] == '9';
      QCOMPARE(QStringList({QString::number(summary->occupancyStartBox->value()),
                            summary->resetCheck->isChecked() ? "12:00" : "no",
                            summary->resetTimeEdit->isEnabled() ? "on" : "off",
                            summary->capacityCheck->isChecked() ? "4" : "no",
                            summary->capacityBox->isEnabled() ? "on" : "off"}),
               again ? QStringList({"5", "12:00", "on", "4", "on"})
                     : QStringList({"0", "no", "off", "no", "off"}));
      QCOMPARE(Read(summary->daysTable),
               again ? QStringList{kDayHeader} + calibrated : QStringList{kDayHeader} + plain);
    }
  }
};

QTEST_MAIN(SummaryWindowTests)
#include "summary_window_test.moc"

// Resumen, opened from the main window over a fake desktop: its tables, chart, checks and
// exports, as a screen reader and the keyboard reach them (at any font size: see the main
// window's test).
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <algorithm>

#include "gui/gui_support.h"
#include "window/day_chart.h"

using namespace tarvex::testing;

class SummaryWindowTests : public MainWindowTest {
  Q_OBJECT

  // A table as assistive technology reads it: its header, then its rows, cells split by "|".
  static QStringList Read(QWidget* view) {
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
      "Reparto (%)|Ocupación máxima|Ocupación mínima|Ocupación al final del día");

  static QString Description(QWidget* chart) {
    return QAccessible::queryAccessibleInterface(chart)->text(QAccessible::Description);
  }

 private slots:

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
    QCOMPARE(Read(summary->daysTable).value(0), kDayHeader);
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
             "Ap&licar|C&apacidad en plazas|Ce&rrar|Días &medios:|Ocupación &inicial:|"
             "P&uesta a cero cada día a las");
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
    for (int i = 0; i < 24; ++i) {
      QTest::keyClick(QApplication::focusWidget(), i < 12 ? Qt::Key_Tab : Qt::Key_Backtab,
                      i < 12 ? Qt::NoModifier : Qt::ShiftModifier);
      QWidget* control = QApplication::focusWidget();
      names << QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
      const QRect spot(control->mapTo(summary, QPoint()), control->size());
      for (const QRect& other : spots)
        QVERIFY2(i >= 12 || !spot.intersects(other), qPrintable(names.last()));
      if (i < 12) spots << spot;
    }
    const QString forth =
        "Días medios|Horas del día|Comprobaciones|Puntas del día|Ocupación inicial|"
        "Puesta a cero cada día a las|Capacidad en plazas|Aplicar|Pasos|Exportar CSV…|Cerrar|Días";
    QStringList back = forth.split('|');
    std::reverse(back.begin(), back.end());
    QCOMPARE(names.join('|'), forth + '|' + back.mid(1).join('|') + "|Días");
    QStringList checks;
    for (int i = 0; i < summary->checksList->count(); ++i) {
      checks << summary->checksList->item(i)->text();
    }
    QCOMPARE("  " + checks.join("\n  "),
             summary_text.section("Comprobaciones:\n", 1).section("\n\n", 0, 0));
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
};

QTEST_MAIN(SummaryWindowTests)
#include "summary_window_test.moc"

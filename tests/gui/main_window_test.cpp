// The main window over a fake desktop, driven through its real buttons and access keys: what
// the window adds to the session (dialogs, captions, boxes, failure box, pointer).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QTableWidget>
#include <QTranslator>
#include <filesystem>
#include <fstream>
#include <thread>

#include "gui/gui_support.h"

using namespace tarvex::testing;

// Regional forms that run out of memory once told to, as a large download can.
struct ScarceMemory final : tarvex::RegionalFormatter {
  FixedFormatter fixed;
  mutable bool exhausted = false;
  std::string ShortDate(std::chrono::year_month_day date) const override {
    if (exhausted) throw std::bad_alloc();
    return fixed.ShortDate(date);
  }
  std::string LongTime(tarvex::TimeOfDay time) const override { return fixed.LongTime(time); }
  char DecimalSeparator() const override { return ','; }
};

class MainWindowTests : public MainWindowTest {
  Q_OBJECT

  // What a screen reader finds, in its reading order: each control's name (a button's caption
  // with its access key), a field after the caption that labels it, and what a box holds.
  QString Screen() {
    QStringList all;
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(window_.get());
    for (int i = 0; i < window->childCount(); ++i) {
      QAccessibleInterface* child = window->child(i);
      QString seen = child->text(QAccessible::Name);
      if (const auto* button = qobject_cast<QPushButton*>(child->object())) seen = button->text();
      const auto captions = child->relations(QAccessible::Label);
      if (captions.size() == 1) seen.prepend(captions.front().first->text(QAccessible::Name) + "→");
      if (QAccessibleTextInterface* text = child->textInterface();
          text != nullptr && child->role() != QAccessible::StaticText) {
        seen += '=' + text->text(0, text->characterCount());
      }
      all << seen;
    }
    return all.join('|');
  }

  QString Counts() {
    return W().totalCount->text() + W().exitCount->text() + W().entryCount->text();
  }

 private slots:

  // Every caption, access key, field and name a screen reader gives, in reading order; the tab
  // order; Resumen waiting for a Conversion; Qt's own texts in Spanish.
  void startsAsDesigned() {
    QCOMPARE(W().windowTitle(), QStringLiteral("Tarvex " TARVEX_VERSION));
    QCOMPARE(Screen(),
             "&Abrir|Archivo de descarga=C:|Texto de la descarga=|Entradas=|Salidas=|ENTRADAS:|"
             "ENTRADAS:→0|SALIDAS:|SALIDAS:→0|&Conversion|S/N:|S/N:→XXXX|TOTAL:|TOTAL:→0|"
             "&Resumen|Contador:|Contador:→0|Descargado:|Descargado:→XXXX|&Guardar|"
             "Archivo de informe=C:|");
    QStringList order;
    for (QWidget* w = W().openButton; order.size() < 10; w = w->nextInFocusChain()) {
      if (w->focusPolicy() != Qt::NoFocus && w->parentWidget() == window_.get()) {
        order << QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
      }
    }
    QCOMPARE(order.join('|'),
             "Abrir|Archivo de descarga|Guardar|Texto de la descarga|Entradas|"
             "Salidas|Conversion|Archivo de informe|Resumen|Abrir");
    QVERIFY(!W().summaryButton->isEnabled());
    QTranslator spanish;
    QVERIFY(tarvex::LoadQtSpanish(spanish));
    QCOMPARE(spanish.translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
  }

  // The commands by access key, mouse, Return and Enter; a cancelled dialog changes nothing.
  void accessKeysRunTheCommandsAndTheWindowShowsTheState() {
    Press(Qt::Key_A, Data("small_download.vlm"));
    QCOMPARE(W().downloadPathBox->text(), Data("small_download.vlm"));
    QCOMPARE(W().downloadTextBox->Text(), QString::fromLatin1(W().State().FileText));
    QCOMPARE(W().counterLabel->text() + W().serialLabel->text() + W().downloadDateLabel->text(),
             QStringLiteral("0047111201/03/2024 18:30:05 "));
    Press(Qt::Key_C);
    QCOMPARE(Counts(), QStringLiteral("261310"));
    QCOMPARE(W().entriesBox->Text(), QString::fromLatin1(W().State().EntryList));
    QCOMPARE(W().exitsBox->Text(), QString::fromLatin1(W().State().ExitList));
    const QString converted = Screen();
    QTest::mouseClick(W().convertButton, Qt::LeftButton);
    W().convertButton->setFocus();
    QTest::keyClick(W().convertButton, Qt::Key_Return);
    QTest::keyClick(W().convertButton, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(Screen(), converted);
    Press(Qt::Key_G, Temp("report.txt"));
    QCOMPARE(W().reportPathBox->text(), Temp("report.txt"));
    QCOMPARE(Bytes(Temp("report.txt")), Bytes(Data("small_download.report.txt")));
    const QString saved = Screen();
    Press(Qt::Key_A);
    Press(Qt::Key_G);
    QCOMPARE(Screen(), saved);
    QCOMPARE(platform_.dialogs.size(), 4);
    QCOMPARE(platform_.log.join(" "), "busy idle busy idle busy idle busy idle busy idle");
  }

  // Each dialog starts in the folder of the last file used (a file given as a relative path
  // too); Open offers downloads first and Save text files, then all files, and each starts
  // with its last choice, known by what it matches; a Save of the text kind without an
  // extension gets ".txt"; a Save never proposes the open download, only its folder; after a
  // Save, Open still starts at the last download, not at the report.
  void dialogsStartWhereTheLastFileIsWithTheirLastChoice() {
    QVERIFY(QDir::setCurrent(QStringLiteral(TARVEX_TEST_DATA_DIR)));
    W().openDownload(QStringLiteral("worked_example.vlm"));
    QCOMPARE(W().downloadPathBox->text(), Data("worked_example.vlm"));
    platform_.filters << "Todos los archivos"
                      << "Texto (*.txt)"
                      << "Velmor(*.vlm;*.rbs)";
    Press(Qt::Key_A, Data("stamps.vlm"));
    Press(Qt::Key_C);
    Press(Qt::Key_A);
    Press(Qt::Key_G, Temp("informe"));
    Press(Qt::Key_G, Temp("otro"));
    Press(Qt::Key_G);
    Press(Qt::Key_A);
    QCOMPARE(Bytes(Temp("informe.txt")) + Bytes(Temp("otro")),
             Bytes(Data("stamps.report.txt")) + Bytes(Data("stamps.report.txt")));
    const QString vlm = "Velmor(*.vlm;*.rbs) (*.vlm *.rbs)", txt = "Texto (*.txt) (*.txt)",
                  all = "Todos los archivos (*)";
    const QString open = "Open|" + vlm + ';' + txt + ';' + all + '|';
    const QString save = "Save|" + txt + ';' + vlm + ';' + all + '|';
    QCOMPARE(platform_.dialogs,
             (QStringList{open + vlm + '|' + Data("worked_example.vlm"),
                          open + all + '|' + Data("stamps.vlm"),
                          save + txt + '|' + QStringLiteral(TARVEX_TEST_DATA_DIR),
                          save + txt + '|' + Temp("informe.txt"), save + vlm + '|' + Temp("otro"),
                          open + all + '|' + Data("stamps.vlm")}));
  }

  // Each failure in its box, the pointer back first; what was counted stays shown. A Save
  // waits 10 s for another writer: one that lets go after 2 s is waited for.
  void failuresAreBoxedAndTheWindowShowsWhatIsLeft() {
    WriteFile(Temp("bad.vlm").toStdString(), "&<b>\xE9$1#$3E654A3B@");
    WriteFile(Temp("held.txt").toStdString(), "earlier");
    Press(Qt::Key_A, Temp("bad.vlm"));
    Press(Qt::Key_C);
    QCOMPARE(Counts(), QStringLiteral("200"));
    QVERIFY(!W().summaryButton->isEnabled());  // nothing whole to sum up
    Press(Qt::Key_G, Temp("bad.vlm"));
    const int holder = ::open(Temp("held.txt").toLocal8Bit().constData(), O_RDONLY);
    QCOMPARE(::flock(holder, LOCK_EX), 0);
    W().SetReportWait(std::chrono::milliseconds(200));
    Press(Qt::Key_G, Temp("held.txt"));
    QCOMPARE(Bytes(Temp("held.txt")), std::string("earlier"));
    Press(Qt::Key_A, Temp("missing.vlm"));
    QCOMPARE(platform_.log,
             (QStringList{"busy", "idle", Box(5, "Llamada a procedimiento o argumento no válido"),
                          "busy", "idle",
                          Box(55, "El informe no puede guardarse en el archivo de descarga abierto",
                              Temp("bad.vlm")),
                          "busy", "idle",
                          Box(56,
                              "Otro programa está escribiendo en el archivo de informe: no se ha "
                              "escrito nada",
                              Temp("held.txt")),
                          Box(53, "No se encontró el archivo", Temp("missing.vlm"))}));
    QCOMPARE(Screen(),
             "&Abrir|Archivo de descarga=" + Temp("missing.vlm") +
                 "|Texto de la descarga=|Entradas=|Salidas=|ENTRADAS:|ENTRADAS:→0|"
                 "SALIDAS:|SALIDAS:→0|&Conversion|S/N:|S/N:→S/N:|TOTAL:|TOTAL:→0|&Resumen|"
                 "Contador:|Contador:→Contador:|Descargado:|Descargado:→Descargado:|"
                 "&Guardar|Archivo de informe=" +
                 Temp("held.txt") + "|");
    std::thread([holder] {
      std::this_thread::sleep_for(std::chrono::seconds(2));
      ::close(holder);
    }).detach();
    tarvex::MainWindow fresh(platform_, &fixed_);
    platform_.answers << Temp("held.txt");
    fresh.save();
    QCOMPARE(Bytes(Temp("held.txt")), "earlier" + std::string(kEmptyReport));
  }

  // A locale that is not installed is told once, before the first list, in words for people.
  void aMissingLocaleIsToldOnceBeforeTheFirstList() {
    const tarvex::SystemFormatter missing(std::string("xx_NONE.UTF-8"));
    tarvex::MainWindow window(platform_, &missing);
    platform_.answers << Data("worked_example.vlm");
    window.open();
    window.convert();
    window.convert();
    QCOMPARE(platform_.log.join('|'),
             "warning|Tarvex " TARVEX_VERSION
             "|La configuración regional «xx_NONE.UTF-8» no está instalada en este equipo: las "
             "fechas se muestran como mes/día/año (03/05/11 es el 5 de marzo de 2011) y las horas "
             "de 00 a 23.|busy|idle|busy|idle");
    QCOMPARE(window.entriesBox->Text(), QStringLiteral("03/05/11    09:17:54\r\n"));
  }

  void fileTextIsShownAsPlainTextInItsCodePage() {
    Press(Qt::Key_A, Data("high_bytes.vlm"));
    QCOMPARE(W().counterLabel->text() + W().serialLabel->text(),
             QString::fromUtf8("€\u0081<b>éz\u00a0"));
    QCOMPARE(W().downloadDateLabel->text(),
             QString::fromUtf8("\u009d</b>ñ\u008d\u0090 ¿Ÿx") + QChar(0) + "y\u007f\u0001end$");
    QVERIFY(W().downloadTextBox->Text().endsWith(QStringLiteral("\u007f\u0001end$3E654A3B@")));
    for (QLabel* label : W().findChildren<QLabel*>()) QCOMPARE(label->textFormat(), Qt::PlainText);
  }

  // The path boxes only show paths, read as read-only lines of text (Qt's own, whose text and
  // selection a screen reader reads); one local file dropped on the window opens, anything
  // else is refused.
  void pathBoxesAreReadOnlyAndADroppedFileOpens() {
    QVERIFY(W().downloadPathBox->isReadOnly() && W().reportPathBox->isReadOnly());
    const auto drag = [&](const QList<QUrl>& urls) {
      QMimeData data;
      data.setUrls(urls);
      QDragEnterEvent enter(QPoint(200, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
      QApplication::sendEvent(window_.get(), &enter);
      if (!enter.isAccepted()) return false;
      QDropEvent drop(QPointF(200, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
      QApplication::sendEvent(window_.get(), &drop);
      return true;
    };
    const QUrl small = QUrl::fromLocalFile(Data("small_download.vlm"));
    QVERIFY(!drag({small, QUrl::fromLocalFile(Data("stamps.vlm"))}));
    QVERIFY(!drag({QUrl::fromLocalFile(dir_.path())}));
    QVERIFY(!drag({QUrl("https://example.com/a.vlm")}));
    QVERIFY(drag({small}));
    QTRY_COMPARE(W().downloadPathBox->text(), Data("small_download.vlm"));
    QCOMPARE(W().counterLabel->text(), QStringLiteral("004711"));
    QAccessibleInterface* path = QAccessible::queryAccessibleInterface(W().downloadPathBox);
    QVERIFY(path->state().readOnly && !path->state().editable);
    // The start-up argument opens by its bytes, a name that is not UTF-8 too.
    QByteArray odd = QFile::encodeName(dir_.path()) + "/=x\xff\x1b[2J.vlm";
    std::filesystem::copy_file(Data("worked_example.vlm").toStdString(), odd.toStdString());
    char* argv[] = {odd.data(), odd.data()};
    W().openDownload(tarvex::MainWindow::CommandLineDownload(QString::fromLocal8Bit(odd), 2, argv));
    QCOMPARE(W().counterLabel->text() + W().downloadPathBox->text(),
             "000123" + QString::fromLocal8Bit(odd));
  }

  // Memory exhausted, in the session under an address-space limit too small for a million
  // records or in the window itself, is failure 7, and the window goes on working.
  void aLackOfMemoryIsFailure7AndTheWindowGoesOn() {
    ScarceMemory scarce;
    tarvex::MainWindow window(platform_, &scarce);
    platform_.answers << Data("small_download.vlm");
    window.open();
    window.convert();
    scarce.exhausted = true;
    window.showSummary();
    QCOMPARE(platform_.log.last(), Box(7, "Memoria insuficiente"));
    platform_.log.clear();  // what follows must give its own failure 7
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer reserves more address space than the limit leaves");
#endif
    std::string big = "&000123xx07";
    for (int i = 0; i < 1000000; ++i) big += "$3E654A3B@";
    WriteFile(Temp("big.vlm").toStdString(), big);
    std::string().swap(big);
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit old_limit{};
    QCOMPARE(getrlimit(RLIMIT_AS, &old_limit), 0);
    rlimit limit = old_limit;
    limit.rlim_cur = static_cast<rlim_t>(pages) * 4096 + (24 << 20);
    QCOMPARE(setrlimit(RLIMIT_AS, &limit), 0);
    Press(Qt::Key_A, Temp("big.vlm"));
    Press(Qt::Key_C);
    setrlimit(RLIMIT_AS, &old_limit);
    QVERIFY(platform_.log.contains(Box(7, "Memoria insuficiente", Temp("big.vlm"))) ||
            platform_.log.contains(Box(7, "Memoria insuficiente")));
    Press(Qt::Key_A, Data("small_download.vlm"));
    Press(Qt::Key_C);
    QCOMPARE(Counts(), QStringLiteral("261310"));
  }

  // From 8 to 18 points no caption, field or button is cut, in the window or in Resumen, at
  // each one's size or its least; the boxes keep some room, a list line on one row, and
  // Resumen a row of days at least and its tables whole rows; at the usual font the window fits a
  // 1280x900 screen at 1.5 times, and Resumen its screen at any font (run again by CTest on other
  // screens).
  void nothingIsCutAtAnyFontSize() {
    const QFont usual = QApplication::font();
    QVERIFY(W().minimumSize().width() * 3 / 2 <= 1280 && W().minimumSize().height() * 3 / 2 <= 900);
    for (const int points : {8, 12, 16, 18}) {
      QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), points));
      tarvex::MainWindow window(platform_, &fixed_);
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      window.openDownload(Data("small_download.vlm"));
      window.convert();
      window.showSummary();
      tarvex::SummaryWindow& summary = *window.summaryWindow;
      QVERIFY(QTest::qWaitForWindowExposed(&summary));
      const QSize room = summary.screen()->availableGeometry().size();
      QVERIFY2(summary.frameGeometry().width() <= room.width() &&
                   summary.frameGeometry().height() <= room.height(),
               qPrintable(QStringLiteral("%1 points").arg(points)));
      QVERIFY(summary.daysTable->viewport()->height() >= summary.daysTable->rowHeight(0));
      for (const QTableView* table :
           {static_cast<QTableView*>(summary.daysTable), summary.hoursTable}) {  // whole rows
        const int rows = table->viewport()->height(), row = table->rowHeight(0);
        QVERIFY2(rows >= table->verticalHeader()->length() || rows % row == 0,
                 qPrintable(
                     QStringLiteral("%1 of rows %2 at %3 points").arg(rows).arg(row).arg(points)));
      }
      for (QWidget* shown : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&summary)}) {
        for (const QSize size : {shown->size(), shown->minimumSize()}) {
          shown->resize(size);
          QApplication::processEvents();
          QCOMPARE(CutText(shown), QString());
        }
      }
      QVERIFY(window.downloadTextBox->RowWidth() >=
              8 * window.downloadTextBox->fontMetrics().averageCharWidth());
      QCOMPARE(window.entriesBox->RowCount(), 10u);
      QCOMPARE(window.exitsBox->RowCount(), 13u);
    }
    QApplication::setFont(usual);
  }
};

QTEST_MAIN(MainWindowTests)
#include "main_window_test.moc"

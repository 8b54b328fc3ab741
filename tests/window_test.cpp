// The main window, driven through its real buttons and access keys over a fake desktop.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <iterator>

#include "conversion/report_writer.h"
#include "fake_platform.h"
#include "fixed_formatter.h"
#include "window/vlm1.h"

using tarvex::FileDialogMode;
using tarvex::VLM1;
using tarvex::testing::FakePlatform;

namespace {

QString Data(const char* name) {
  return QStringLiteral(TARVEX_TEST_DATA_DIR "/") + QLatin1String(name);
}

std::string Bytes(const QString& path) {
  std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const QString& path, const std::string& bytes) {
  std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::trunc);
  out << bytes;
}

const char* kMissing53 = "Número de error: 53\nDescripción del error: No se encontró el archivo";

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  FakePlatform platform_;
  tarvex::testing::FixedFormatter fixed_;
  std::unique_ptr<VLM1> window_;
  QTemporaryDir dir_;

  VLM1& W() { return *window_; }
  QString Temp(const char* name) const { return dir_.filePath(QLatin1String(name)); }

  // An access key, pressed wherever the keyboard focus is.
  void Press(Qt::Key key) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : window_.get(), key, Qt::AltModifier);
    // An access key presses the button, which clicks once its pressed look has shown.
    QVERIFY(QTest::qWaitFor([&] {
      return !W().Command1->isDown() && !W().Command2->isDown() && !W().Command3->isDown();
    }));
  }
  void Open(const QString& path) {
    platform_.answers.push_back(path);
    Press(Qt::Key_A);
  }
  void Convert() { Press(Qt::Key_C); }
  void Save(const QString& path) {
    platform_.answers.push_back(path);
    Press(Qt::Key_G);
  }
  QString Shown(const std::string& bytes) { return tarvex::DecodeWindows1252(bytes); }

  // Everything a user can see, to compare before and after a command.
  QStringList Screen() {
    QStringList all;
    for (QLabel* label : W().findChildren<QLabel*>()) all << label->objectName() + "=" + label->text();
    all << W().Text1->text() << W().Text6->text() << W().Text2->Text() << W().Text3->Text()
        << W().Text4->Text();
    return all;
  }

 private slots:
  void init() {
    platform_ = FakePlatform();
    window_ = std::make_unique<VLM1>(platform_, &fixed_);
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void cleanup() { window_.reset(); }

  void startUpWindowAsDesigned() {
    QCOMPARE(W().windowTitle(), QStringLiteral("Tarvex 1.3"));
    QCOMPARE(W().minimumSize(), QSize(471, 648));
    QCOMPARE(W().maximumSize(), QSize(471, 648));
    QCOMPARE(W().Command1->text(), QStringLiteral("&Abrir"));
    QCOMPARE(W().Command3->text(), QStringLiteral("&Conversion"));
    QCOMPARE(W().Command2->text(), QStringLiteral("&Guardar"));
    QCOMPARE(W().Text1->text(), QStringLiteral("C:"));
    QCOMPARE(W().Text6->text(), QStringLiteral("C:"));
    for (QLabel* zero : {W().Label2, W().Label4, W().Label5, W().Label6}) QCOMPARE(zero->text(), "0");
    QCOMPARE(W().Label10->text(), QStringLiteral("XXXX"));
    QCOMPARE(W().Label12->text(), QStringLiteral("XXXX"));
    QCOMPARE(W().Label8->text(), QStringLiteral("ENTRADAS:"));
    QCOMPARE(W().Label11->text(), QStringLiteral("Descargado:"));
    QVERIFY(W().Text2->Text().isEmpty() && W().Text3->Text().isEmpty());
    QVERIFY(W().findChild<QObject*>(QStringLiteral("CommonDialog1")) != nullptr);

    // Design positions (twips / 15) of the boxes and buttons.
    const struct {
      QWidget* control;
      QRect rect;
    } design[] = {
        {W().Text6, {112, 608, 345, 25}}, {W().Command3, {8, 536, 89, 25}},
        {W().Text4, {248, 144, 209, 361}}, {W().Text3, {8, 144, 225, 361}},
        {W().Text2, {8, 48, 449, 81}},     {W().Command2, {8, 608, 97, 25}},
        {W().Text1, {112, 8, 345, 25}},    {W().Command1, {8, 8, 97, 25}},
        {W().Label8, {8, 512, 65, 17}},    {W().Label3, {8, 576, 57, 25}},
    };
    for (const auto& d : design) {
      QCOMPARE(d.control->geometry().topLeft(), d.rect.topLeft());
      QVERIFY2(d.control->width() >= d.rect.width() && d.control->height() == d.rect.height(),
               qPrintable(d.control->objectName()));
    }
    // Every caption readable: nothing clipped, nothing overlapping, all inside the window.
    const QList<QWidget*> controls = W().findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* a : controls) {
      QVERIFY2(W().rect().contains(a->geometry()), qPrintable(a->objectName()));
      if (auto* label = qobject_cast<QLabel*>(a)) {
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->objectName()));
      }
      for (QWidget* b : controls) {
        if (a != b) QVERIFY2(!a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " overlaps " + b->objectName()));
      }
    }
    // Tab order: Command1, Text1, Command2, Text2, Text3, Text4, Command3, Text6.
    QStringList order;
    QWidget* w = W().Command1;
    for (int i = 0; i < 8; ++i, w = w->nextInFocusChain()) {
      while (w->focusPolicy() == Qt::NoFocus || w->parentWidget() != window_.get()) w = w->nextInFocusChain();
      order << w->objectName();
    }
    QCOMPARE(order.join(' '), QStringLiteral("Command1 Text1 Command2 Text2 Text3 Text4 Command3 Text6"));
  }

  void openConvertSaveGivesTheGoldenReport() {
    Open(Data("small_download.vlm"));
    QCOMPARE(W().Text1->text(), Data("small_download.vlm"));
    QCOMPARE(W().Text2->Text(), Shown(W().State().FileText));
    QVERIFY(W().Text2->Text().startsWith("&004711"));
    QCOMPARE(W().Label2->text(), QStringLiteral("004711"));
    QCOMPARE(W().Label10->text(), QStringLiteral("12"));
    QCOMPARE(W().Label12->text(), QStringLiteral("01/03/2024 18:30:05 "));
    QCOMPARE(W().Label4->text(), QStringLiteral("0"));

    Convert();
    QCOMPARE(W().Label4->text(), QStringLiteral("26"));
    QCOMPARE(W().Label5->text(), QStringLiteral("13"));
    QCOMPARE(W().Label6->text(), QStringLiteral("10"));
    QVERIFY(W().Text3->Text().startsWith("28/02/2024    17:54:46\r\n"));
    QCOMPARE(W().Text4->Text(), Shown(W().State().ExitList));
    QCOMPARE(platform_.cursor_log, (std::vector<bool>{true, false}));

    Save(Temp("report.txt"));
    QCOMPARE(W().Text6->text(), Temp("report.txt"));
    QCOMPARE(Bytes(Temp("report.txt")), Bytes(Data("small_download.report.txt")));
    QVERIFY(platform_.messages.isEmpty());

    // One dialog for both: the Save starts from the name the Open chose.
    QCOMPARE(platform_.dialogs.size(), 2u);
    QCOMPARE(platform_.dialogs[0].mode, FileDialogMode::Open);
    QCOMPARE(platform_.dialogs[1].mode, FileDialogMode::Save);
    QCOMPARE(platform_.dialogs[1].file_name, Data("small_download.vlm"));
    QCOMPARE(platform_.dialogs[0].filters,
             (QStringList{"Texto (*.txt) (*.txt)", "Velmor(*.vlm;*.rbs) (*.vlm *.rbs)"}));
  }

  void buttonsWorkByMouseAndASecondConversionChangesNothing() {
    platform_.answers.push_back(Data("worked_example.vlm"));
    QTest::mouseClick(W().Command1, Qt::LeftButton);
    QTest::mouseClick(W().Command3, Qt::LeftButton);
    const QStringList once = Screen();
    QCOMPARE(W().Label4->text(), QStringLiteral("2"));
    QTest::mouseClick(W().Command3, Qt::LeftButton);
    QCOMPARE(Screen(), once);
    QCOMPARE(W().State().EntryList, std::string("05/03/2011    09:17:54\r\n"));
  }

  void anOpenAfterAConversionClearsListsAndCounts() {
    Open(Data("small_download.vlm"));
    Convert();
    Open(Data("worked_example.vlm"));
    QCOMPARE(W().Label4->text() + W().Label5->text() + W().Label6->text(), QStringLiteral("000"));
    QVERIFY(W().Text3->Text().isEmpty() && W().Text4->Text().isEmpty());
    QCOMPARE(W().Label2->text(), QStringLiteral("000123"));
    Convert();
    QCOMPARE(W().Label4->text(), QStringLiteral("2"));
  }

  void aCancelledDialogChangesNothing() {
    Open(Data("small_download.vlm"));
    Convert();
    const QStringList before = Screen();
    const std::string report_before = tarvex::ReportText(W().State());
    Press(Qt::Key_A);  // nothing queued: the user cancels
    QCOMPARE(Screen(), before);
    QCOMPARE(tarvex::ReportText(W().State()), report_before);

    // A cancelled Save right after an Open writes nothing, not even into the download file.
    const QString download = Temp("d.vlm");
    Write(download, Bytes(Data("worked_example.vlm")));
    Open(download);
    Press(Qt::Key_G);
    QCOMPARE(Bytes(download), Bytes(Data("worked_example.vlm")));
    QCOMPARE(W().Text6->text(), QStringLiteral("C:"));
    QVERIFY(platform_.messages.isEmpty());
  }

  void aFailedOpenLeavesNoDataOfTheEarlierFile() {
    Open(Data("small_download.vlm"));
    Convert();
    Open(Temp("missing.vlm"));
    QCOMPARE(platform_.messages, QStringList{QString::fromUtf8(kMissing53)});
    QCOMPARE(platform_.titles, QStringList{"Tarvex 1.3"});
    QCOMPARE(W().Text1->text(), Temp("missing.vlm"));
    for (QLabel* empty : {W().Label2, W().Label10, W().Label12}) QCOMPARE(empty->text(), "");
    for (QLabel* zero : {W().Label4, W().Label5, W().Label6}) QCOMPARE(zero->text(), "0");
    QVERIFY(W().Text2->Text().isEmpty() && W().Text3->Text().isEmpty() && W().Text4->Text().isEmpty());
    Convert();
    QCOMPARE(W().Label4->text(), QStringLiteral("0"));
    Save(Temp("after-failure.txt"));
    QCOMPARE(Bytes(Temp("after-failure.txt")),
             std::string("ENTRADAS\r\n\r\nSALIDAS\r\n\r\nENTRADAS=0 SALIDAS=0 TOTAL=0\r\n\r\n"
                         "CONTADOR GLOBAL:  NUMERO DE SERIE: \r\nFECHA DE DESCARGA:\r\n"));
  }

  void failureMessages_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    Write(Temp("empty.vlm"), "");
    QDir(dir_.path()).mkdir("folder.vlm");
    QTest::newRow("missing file") << Temp("missing.vlm") << QString::fromUtf8(kMissing53);
    QTest::newRow("empty file") << Temp("empty.vlm")
        << QString::fromUtf8("Número de error: 62\nDescripción del error: La entrada sobrepasa el final del archivo");
    QTest::newRow("folder") << Temp("folder.vlm")
        << QString::fromUtf8("Número de error: 75\nDescripción del error: Error de acceso a la ruta o el archivo");
    QTest::newRow("empty path") << QString()
        << QString::fromUtf8("Número de error: 52\nDescripción del error: Nombre o número de archivo incorrecto");
  }

  void failureMessages() {
    QFETCH(QString, path);
    QFETCH(QString, message);
    Open(path);
    QCOMPARE(platform_.messages, QStringList{message});
  }

  void saveFailuresLoseNothing_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("number");
    QDir(dir_.path()).mkdir("reports");
    QTest::newRow("disk full") << QStringLiteral("/dev/full") << 61;
    QTest::newRow("folder") << Temp("reports") << 75;
    QTest::newRow("missing folder") << Temp("nowhere/r.txt") << 76;
  }

  void saveFailuresLoseNothing() {
    QFETCH(QString, path);
    QFETCH(int, number);
    Open(Data("small_download.vlm"));
    Convert();
    const QStringList before = Screen();
    Save(path);
    QCOMPARE(platform_.messages.size(), 1);
    QVERIFY2(platform_.messages[0].startsWith(QStringLiteral("Número de error: %1\n").arg(number)),
             qPrintable(platform_.messages[0]));
    QCOMPARE(W().Text6->text(), path);
    QVERIFY(!QFileInfo::exists(Temp("nowhere")));
    // The state is untouched: the same report can still be saved elsewhere.
    const QString good = dir_.filePath(QString::fromUtf8(QTest::currentDataTag()) + ".txt");
    Save(good);
    QCOMPARE(Bytes(good), Bytes(Data("small_download.report.txt")));
    QCOMPARE(Screen().mid(0, before.size() - 5), before.mid(0, before.size() - 5));
  }

  void aReportIntoTheDownloadFileKeepsItsRecords() {
    const QString download = Temp("d.vlm");
    Write(download, Bytes(Data("small_download.vlm")));
    Open(download);
    Convert();
    const std::string text = W().State().FileText;
    const std::string entries = W().State().EntryList;
    Save(download);
    QVERIFY(platform_.messages.isEmpty());
    QCOMPARE(Bytes(download), Bytes(Data("small_download.vlm")) + Bytes(Data("small_download.report.txt")));
    Open(download);
    Convert();
    QCOMPARE(W().State().FileText, text);
    QCOMPARE(W().State().EntryList, entries);
  }

  void aLocaleThatIsNotInstalledRendersWithTheClassicForms() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
      const QByteArray saved = qgetenv(variable);
      qputenv(variable, "xx_NOWHERE.UTF-8");
      FakePlatform platform;
      VLM1 window(platform);  // the machine's regional settings
      platform.answers.push_back(Data("worked_example.vlm"));
      QTest::mouseClick(window.Command1, Qt::LeftButton);
      QTest::mouseClick(window.Command3, Qt::LeftButton);
      QCOMPARE(window.Text3->Text(), QStringLiteral("03/05/11    09:17:54\r\n"));
      QVERIFY(platform.messages.isEmpty());
      if (saved.isNull()) qunsetenv(variable); else qputenv(variable, saved);
    }
  }

  void aFailingConversionIsReportedAndTheWindowStaysUsable() {
    Write(Temp("bad.vlm"), "$1#$3E654A3B@");
    Open(Temp("bad.vlm"));
    Convert();
    QCOMPARE(platform_.messages,
             QStringList{QString::fromUtf8("Número de error: 5\nDescripción del error: "
                                           "Llamada a procedimiento o argumento no válido")});
    QCOMPARE(platform_.busy_at_message, std::vector<int>{0});  // pointer back before the box
    QCOMPARE(platform_.cursor_log, (std::vector<bool>{true, false}));
    QCOMPARE(W().Label4->text(), QStringLiteral("2"));  // what was done stays done
    Open(Data("worked_example.vlm"));
    Convert();
    QCOMPARE(W().Label4->text(), QStringLiteral("2"));
    QCOMPARE(W().Label6->text(), QStringLiteral("1"));
  }

  void fileTextIsShownAsPlainTextInItsCodePage() {
    Write(Temp("markup.vlm"), "&<b>12</b>01\xE9t\xE9 <i>x</i>\x80\x81$3E654A3B@");
    Open(Temp("markup.vlm"));
    QCOMPARE(W().Label2->text(), QStringLiteral("<b>12<"));
    QCOMPARE(W().Label2->textFormat(), Qt::PlainText);
    QCOMPARE(W().Label10->text(), QStringLiteral(">0"));
    QCOMPARE(W().Label12->text(), QString::fromUtf8("1été <i>x</i>€\u0081$3E65"));
    Save(Temp("markup-report.txt"));
    QVERIFY(Bytes(Temp("markup-report.txt")).find("FECHA DE DESCARGA:1\xE9t\xE9 <i>x</i>\x80\x81$3E65\r\n") !=
            std::string::npos);
  }

  void savingBeforeAnyOpen() {
    Save(Temp("first.txt"));
    QCOMPARE(Bytes(Temp("first.txt")),
             std::string("ENTRADAS\r\n\r\nSALIDAS\r\n\r\nENTRADAS=0 SALIDAS=0 TOTAL=0\r\n\r\n"
                         "CONTADOR GLOBAL:  NUMERO DE SERIE: \r\nFECHA DE DESCARGA:\r\n"));
    QCOMPARE(platform_.dialogs.front().file_name, QString());
  }

  void boxesSelectAndCopyExactlyTheirText() {
    Open(Data("small_download.vlm"));
    Convert();
    for (tarvex::TextView* box : {W().Text2, W().Text3, W().Text4}) {
      box->setFocus();
      QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
      QCOMPARE(QApplication::clipboard()->text(), box->Text());
    }
    QCOMPARE(QApplication::clipboard()->text(), Shown(W().State().ExitList));
    // Keyboard selection of the first line of the entries.
    W().Text3->setFocus();
    QTest::keyClick(W().Text3, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(W().Text3, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(W().Text3->SelectedText(), QStringLiteral("28/02/2024    17:54:46"));
    QTest::keyClick(W().Text3, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(W().Text3->SelectedText(), QStringLiteral("28/02/2024    17:54:46\r\n28/02/2024    19:47:32"));
  }

  void aLongLineWrapsAndAMillionLinesScroll() {
    tarvex::TextView view;
    view.resize(449, 81);
    std::string line(100000, '7');
    view.SetSource(&line);
    QVERIFY(view.RowCount() > 100000 / 80);
    QCOMPARE(view.Text().size(), 100000);
    std::string lines;
    for (int i = 0; i < 1000000; ++i) lines += "05/03/2011    09:17:54\r\n";
    view.SetSource(&lines);
    QCOMPARE(view.RowCount(), 1000000u);
    view.show();
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QVERIFY(view.FirstVisibleRow() > 999990u);
    // The string may only grow between refreshes; a shrink is never read past its end.
    lines.resize(10);
    view.repaint();
    QCOMPARE(view.Text(), QStringLiteral("05/03/2011"));
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"

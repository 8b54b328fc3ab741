// The main window over a fake desktop, driven through its real buttons and access keys: what
// the window adds to the session (dialogs, labels, boxes, failure box, pointer).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleHints>
#include <QSvgRenderer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTranslator>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/app_icon.h"
#include "conversion/open_file.h"
#include "fake_platform.h"
#include "test_support.h"
#include "window/day_chart.h"
#include "window/main_window.h"

class WindowTest : public QObject {
  Q_OBJECT

  tarvex::testing::FakePlatform platform_;
  tarvex::testing::FixedFormatter fixed_;
  std::unique_ptr<tarvex::MainWindow> window_;
  QTemporaryDir dir_;

  static QString Data(const char* name) { return QStringLiteral(TARVEX_TEST_DATA_DIR "/") + name; }
  static std::string Bytes(const QString& path) {
    return tarvex::testing::ReadFile(path.toStdString());
  }
  // The failure box's text; Open and Save add the file.
  static QString Box(int number, const char* description, const QString& file = QString()) {
    return (QString::fromUtf8(tarvex::kAppTitle) +
            "|Número de error: %1\nDescripción del error: %2")
               .arg(number)
               .arg(QString::fromUtf8(description)) +
           (file.isNull() ? QString() : "\nArchivo: " + file);
  }

  tarvex::MainWindow& W() { return *window_; }
  QString Temp(const char* name) const { return dir_.filePath(QLatin1String(name)); }

  // An access key, pressed wherever the keyboard focus is, with the name the file dialog
  // answers (none: the dialog is cancelled). The button clicks once its pressed look showed.
  void Press(Qt::Key key, const QString& answer = QString()) {
    if (!answer.isNull()) platform_.answers << answer;
    QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
    QVERIFY(QTest::qWaitFor([&] {
      return !W().openButton->isDown() && !W().saveButton->isDown() &&
             !W().convertButton->isDown() && !W().summaryButton->isDown();
    }));
  }

  // Everything a user can see: the labels in the order a screen reader reads them (as they are
  // seen, each caption before its value), then the path boxes and the three multi-line boxes.
  QString Screen() {
    QStringList all;
    for (QLabel* label : W().findChildren<QLabel*>()) all << label->text();
    all << W().downloadPathBox->text() << W().reportPathBox->text() << W().downloadTextBox->Text()
        << W().entriesBox->Text() << W().exitsBox->Text();
    return all.join(QLatin1Char(','));
  }

  QString Counts() {
    return W().totalCount->text() + W().exitCount->text() + W().entryCount->text();
  }

 private slots:
  void init() {
    platform_ = {};
    window_ = std::make_unique<tarvex::MainWindow>(platform_, &fixed_);
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void cleanup() { window_.reset(); }

  void startsAsDesigned() {
    QCOMPARE(W().windowTitle(), QString::fromUtf8(tarvex::kAppTitle));
    QCOMPARE(Screen(), QStringLiteral("ENTRADAS:,0,SALIDAS:,0,S/N:,XXXX,TOTAL:,0,Contador:,0,"
                                      "Descargado:,XXXX,C:,C:,,,"));
    QStringList order;
    for (QWidget* w = W().openButton; order.size() < 10; w = w->nextInFocusChain()) {
      if (w->focusPolicy() != Qt::NoFocus && w->parentWidget() == window_.get()) {
        order << w->objectName();
      }
    }
    QCOMPARE(order.join(' '),
             "openButton downloadPathBox saveButton downloadTextBox entriesBox exitsBox "
             "convertButton reportPathBox summaryButton openButton");
    QVERIFY(!W().summaryButton->isEnabled());  // Resumen, last in the order, after a Conversion
    // The icon: a counter with a green arrow in and a red arrow out, its display lit with
    // digits from 32 pixels up.
    QList<QSize> sizes;
    for (int size : tarvex::kIconSizes) sizes << QSize(size, size);
    QCOMPARE(tarvex::TarvexIcon().availableSizes(), sizes);
    const QImage icon = tarvex::TarvexIcon().pixmap(64).toImage();
    QCOMPARE(icon.pixelColor(24, 33), QColor(30, 160, 60));    // the green arrow's head
    QCOMPARE(icon.pixelColor(50, 48), QColor(200, 40, 40));    // the red arrow
    QCOMPARE(icon.pixelColor(20, 24), QColor(20, 30, 24));     // the counter's display
    QCOMPARE(icon.pixelColor(26, 16), QColor(120, 240, 140));  // the 1's upper segment
    QCOMPARE(icon.pixelColor(23, 16), QColor(20, 30, 24));     // left of the 1: unlit
    // Qt's own dialog texts in Spanish, as the program loads them.
    QTranslator spanish;
    QVERIFY(tarvex::LoadQtSpanish(spanish));
    QCOMPARE(spanish.translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
  }

  // The icon files installed for the desktop are the drawings: the same pixels at every size,
  // and the scalable ones drawn the same (up to their smoothing); nothing else is made.
  void iconFilesAreTheDrawings() {
    const QString folder = QStringLiteral(TARVEX_ICON_FILES "/");
    const struct {
      QString place;
      void (*paint)(QPainter&, qreal);
    } icons[] = {{"apps/" TARVEX_APP_ID, tarvex::PaintTarvexIcon},
                 {"mimetypes/" TARVEX_DOWNLOAD_ICON, tarvex::PaintDownloadIcon}};
    const auto drawn = [](int size, auto paint) {
      QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter painter(&image);
      paint(painter, size);
      painter.end();
      return image.convertToFormat(QImage::Format_ARGB32);
    };
    QStringList expected, found;
    for (const auto& icon : icons) {
      for (int size : tarvex::kIconSizes) {
        const QString file = QStringLiteral("%1x%1/").arg(size) + icon.place + ".png";
        expected << file;
        QCOMPARE(QImage(folder + file).convertToFormat(QImage::Format_ARGB32),
                 drawn(size, icon.paint));
      }
      expected << "scalable/" + icon.place + ".svg";
      QSvgRenderer svg(folder + expected.last());
      QVERIFY(svg.isValid());
      QImage rendered(64, 64, QImage::Format_ARGB32_Premultiplied);
      rendered.fill(Qt::transparent);
      QPainter painter(&rendered);
      svg.render(&painter);
      painter.end();
      const QImage reference = drawn(64, icon.paint);
      rendered = rendered.convertToFormat(QImage::Format_ARGB32);
      int far = 0;  // pixels that differ by more than the smoothing can explain
      for (int i = 0; i < 64 * 64; ++i) {
        const QColor a = rendered.pixelColor(i % 64, i / 64);
        const QColor b = reference.pixelColor(i % 64, i / 64);
        const int gap = std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                        std::abs(a.blue() - b.blue()) + std::abs(a.alpha() - b.alpha());
        far += gap > 96 ? 1 : 0;
      }
      QVERIFY2(far < 8,
               qPrintable(expected.last() + QStringLiteral(": %1 pixels differ").arg(far)));
    }
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
      found << it.next().mid(folder.size());
    }
    expected.sort();
    found.sort();
    QCOMPARE(found, expected);
    // The drawings take nothing from the fonts: under another default font they are the same.
    const QFont font = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Serif"), 30, QFont::Black, true));
    const QImage app_icon = drawn(256, tarvex::PaintTarvexIcon);
    const QImage download_icon = drawn(256, tarvex::PaintDownloadIcon);
    QApplication::setFont(font);
    QCOMPARE(app_icon, drawn(256, tarvex::PaintTarvexIcon));
    QCOMPARE(download_icon, drawn(256, tarvex::PaintDownloadIcon));
  }

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
    QTest::mouseClick(W().convertButton, Qt::LeftButton);  // the mouse works too
    W().convertButton->setFocus();
    QTest::keyClick(W().convertButton, Qt::Key_Return);  // and Return or Enter on the button
    QTest::keyClick(W().convertButton, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(Screen(), converted);
    Press(Qt::Key_G, Temp("report.txt"));
    QCOMPARE(W().reportPathBox->text(), Temp("report.txt"));
    QCOMPARE(Bytes(Temp("report.txt")), Bytes(Data("small_download.report.txt")));
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

  void failuresAreBoxedAndTheWindowShowsWhatIsLeft() {
    tarvex::testing::WriteFile(Temp("bad.vlm").toStdString(), "&<b>\xE9$1#$3E654A3B@");
    tarvex::testing::WriteFile(Temp("held.txt").toStdString(), "earlier");
    Press(Qt::Key_A, Temp("bad.vlm"));
    Press(Qt::Key_C);
    QCOMPARE(Counts(), QStringLiteral("200"));  // what was counted stays shown
    QVERIFY(!W().summaryButton->isEnabled());   // but there is nothing whole to sum up
    Press(Qt::Key_G, Temp("bad.vlm"));
    // Another program writing the report file for longer than the window waits.
    const tarvex::OpenFile holder(::open(Temp("held.txt").toLocal8Bit().constData(), O_RDONLY));
    QCOMPARE(::flock(holder.Descriptor(), LOCK_EX), 0);
    W().SetReportWait(std::chrono::milliseconds(200));
    Press(Qt::Key_G, Temp("held.txt"));
    QCOMPARE(Bytes(Temp("held.txt")), std::string("earlier"));
    Press(Qt::Key_A, Temp("missing.vlm"));
    QCOMPARE(platform_.log,  // the pointer comes back before the box shows
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
    QCOMPARE(Screen(), QStringLiteral("ENTRADAS:,0,SALIDAS:,0,S/N:,,TOTAL:,0,Contador:,,"
                                      "Descargado:,,%1,%2,,,")
                           .arg(Temp("missing.vlm"), Temp("held.txt")));
  }

  // A locale that is not installed is told once, before the first list, in words for people.
  void aMissingLocaleIsToldOnceBeforeTheFirstList() {
    const tarvex::SystemFormatter missing(std::string("xx_NONE.UTF-8"));
    tarvex::MainWindow window(platform_, &missing);
    platform_.answers << Data("worked_example.vlm");
    window.open();
    window.convert();
    window.convert();
    QCOMPARE(
        platform_.log.join('|'),
        "warning|" + QString::fromUtf8(tarvex::kAppTitle) +
            QStringLiteral("|La configuración regional «xx_NONE.UTF-8» no está "
                           "instalada en este equipo: las fechas se muestran como mes/día/año "
                           "(03/05/11 es el 5 de marzo de 2011) y las horas de 00 a 23.|busy|idle|"
                           "busy|idle"));
    QCOMPARE(window.entriesBox->Text(), QStringLiteral("03/05/11    09:17:54\r\n"));
  }

  void aCancelledDialogChangesNothing() {
    Press(Qt::Key_A, Data("worked_example.vlm"));
    Press(Qt::Key_C);
    const QString before = Screen();
    Press(Qt::Key_A);
    Press(Qt::Key_G);
    QCOMPARE(Screen(), before);
    QCOMPARE(platform_.dialogs.size(), 3);
    QCOMPARE(platform_.log, (QStringList{"busy", "idle"}));
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

  void boxesSelectCopyAndShowTheirFocus() {
    Press(Qt::Key_A, Data("small_download.vlm"));
    Press(Qt::Key_C);
    W().exitsBox->setFocus();
    QTest::keyClick(W().exitsBox, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(W().exitsBox, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),  // the platform's line ends
             QString::fromLatin1(W().State().ExitList).replace("\r\n", "\n"));
    W().entriesBox->setFocus();
    QTest::keyClick(W().entriesBox, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(W().entriesBox, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(W().entriesBox->SelectedText(), QStringLiteral("28/02/2024    17:54:46"));
    QTest::keyClick(W().entriesBox, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(W().entriesBox->SelectedText(), "28/02/2024    17:54:46\r\n28/02/2024    19:47:32");
    // A focused box draws the style's focus frame and a caret blinking at the platform's
    // rate; a selection never paints past the end of a row.
    tarvex::TextView* box = W().entriesBox;
    box->clearFocus();
    const QImage unfocused = box->grab().toImage();
    box->setFocus();
    QVERIFY(box->CaretShown());
    QVERIFY(box->grab().toImage().pixelColor(0, 60) != unfocused.pixelColor(0, 60));
    QTRY_VERIFY_WITH_TIMEOUT(!box->CaretShown(), QGuiApplication::styleHints()->cursorFlashTime());
    QTRY_VERIFY_WITH_TIMEOUT(box->CaretShown(), QGuiApplication::styleHints()->cursorFlashTime());
    box->SelectAll();
    const QImage all = box->grab().toImage();
    const QPoint row = box->viewport()->pos() + QPoint(0, 5);
    QVERIFY(all.pixelColor(row + QPoint(20, 0)) != QColor(Qt::white));
    QCOMPARE(all.pixelColor(row + QPoint(box->RowWidth(), 0)), QColor(Qt::white));
  }

  // Keys, double-clicks and the context menu do in a box what they do in a read-only
  // QPlainTextEdit that takes the keyboard, with the same text, font and size: a list with its
  // line ends, words that wrap, and a download's one long line. Each row of the table starts
  // at the top; then the selection, the caret, the menu and where the Menu key opens it must
  // agree, and in a right-to-left window the two boxes must look the same.
  void keysAndMenuWorkAsInAPlainTextEdit() {
    // Each key as written: "S-" holds Shift, "C-" Control, "CS-" both; "Dbl@N" double-clicks
    // where the caret stands before character N (each far from the one before, so that no two
    // make a triple click).
    const std::vector<std::pair<const char*, const char*>> table = {
        {"Right across a line end", "S-End S-Right S-Right S-Right"},
        {"Down and Up keep the column", "Right Right Right S-Down S-Down S-Down S-Up"},
        {"Up from the first row", "Right S-Up"},
        {"words forward", "CS-Right CS-Right CS-Right CS-Right CS-Right CS-Right"},
        {"words back from the end", "C-End CS-Left CS-Left CS-Left CS-Left CS-Left"},
        {"a word forward from a line's end", "End CS-Right CS-Right"},
        {"Home of a row", "Down Down End S-Home"},
        {"Left at the start", "S-Left"},
        {"Up without Shift on the first row", "Right Up S-Right"},
        {"Up and Home from the end", "CS-End S-Home S-Up"},
        {"Down without Shift on the last row", "C-End Up Down Down S-Left"},
        {"Down from the last row", "C-End Left Left S-Down"},
        {"pages", "Right S-PgDown S-PgDown S-PgUp"},
        {"PageUp at the top", "Right S-PgUp"},
        {"PageDown to the bottom", "Right S-PgDown S-PgDown S-PgDown S-PgDown S-PgDown S-PgDown"},
        {"to the end", "CS-End"},
        {"a double-click in a day, a header or a word", "Dbl@1"},
        {"a double-click before a sign, in a word", "Dbl@25"},
        {"a double-click at a list line's end, in a record", "Dbl@45"},
        {"a double-click in a year, on an empty line", "Dbl@77"},
        {"a double-click, then Shift", "Dbl@56 S-Right S-Right"},
    };
    const auto press = [](QWidget* box, const char* keys, auto place) {
      for (const QString& key : QString::fromLatin1(keys).split(' ')) {
        if (key.startsWith("Dbl@")) {
          QWidget* area = static_cast<QAbstractScrollArea*>(box)->viewport();
          QTest::mouseDClick(area, Qt::LeftButton, {}, place(key.mid(4).toInt()));
          continue;
        }
        const QString name = key.section('-', -1);
        const QString held = key.contains('-') ? key.section('-', 0, 0) : QString();
        const QKeySequence sequence(name);
        Qt::KeyboardModifiers modifiers;
        if (held.contains('S')) modifiers |= Qt::ShiftModifier;
        if (held.contains('C')) modifiers |= Qt::ControlModifier;
        QTest::keyClick(box, static_cast<Qt::Key>(sequence[0].key()), modifiers);
      }
    };
    std::string list;
    for (int i = 1; i <= 28; ++i)
      list += QStringLiteral("%1/03/2011    09:17:54\r\n")
                  .arg(i, 2, 10, QLatin1Char('0'))
                  .toStdString();
    const std::string words =
        "uno dos tres cuatro cinco seis siete ocho nueve diez once doce trece catorce\r\n\r\n"
        "fin  de la prueba, con-guion y (parentesis) 12:30\r\nultima";
    std::string download = "&000001xx0105/11/2026 12:00:00";
    for (int i = 0; i < 10; ++i) download += i % 3 == 0 ? "$5D773CD0#" : "$5D773CD1@";
    for (const std::string& text : {list, words, download}) {
      QPlainTextEdit edit;
      edit.setReadOnly(true);
      edit.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      edit.setPlainText(QString::fromStdString(text).replace("\r\n", "\n"));
      tarvex::TextView view;
      view.SetSource(&text);
      const std::array<QWidget*, 2> boxes = {&edit, &view};
      view.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
      edit.setFont(view.font());  // as the box lays it out: without kerning
      edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);  // as the box has it
      for (QWidget* box : boxes) {
        box->resize(230, 100);
        box->show();
      }
      QVERIFY(QTest::qWaitForWindowExposed(&view) && QTest::qWaitForWindowExposed(&edit));
      view.Refresh();
      // Where the caret stands before a character, as the QPlainTextEdit draws it.
      const auto place = [&](int character) {
        QTextCursor caret(edit.document());
        caret.setPosition(character);
        return edit.cursorRect(caret).center() + QPoint(1, 0);
      };
      const auto agree = [&](const QString& what) {
        const QString wanted =
            edit.textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n');
        const QString got = view.SelectedText().replace("\r\n", "\n");
        return got == wanted && view.CharacterOf(view.Cursor()) ==
                                    static_cast<std::size_t>(edit.textCursor().position())
                   ? QString()
                   : QStringLiteral("%1: «%2» at %3, not «%4» at %5")
                         .arg(what, got)
                         .arg(view.CharacterOf(view.Cursor()))
                         .arg(wanted)
                         .arg(edit.textCursor().position());
      };
      for (const auto& [name, keys] : table) {
        for (QWidget* box : boxes) {
          QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
          press(box, keys, place);
        }
        const QString differs = agree(QString::fromUtf8(name));
        QVERIFY2(differs.isEmpty(), qPrintable(QString(differs).replace('\n', '/')));
      }
      // The context menu, opened by the Menu key as the platform sends it: the same entries,
      // shortcuts and states, with and without a selection, at the same place by the caret.
      const auto entries = [](QMenu* menu) {
        QStringList all;
        for (QAction* action : menu->actions()) {
          if (action->isVisible() && !action->isSeparator()) {
            // Qt's own menu writes the shortcut after a tab in the text; shown alike.
            const QString shortcut = action->shortcut().toString(QKeySequence::NativeText);
            all << action->text().section('\t', 0, 0) + '|' +
                       (shortcut.isEmpty() ? action->text().section('\t', 1) : shortcut) + '|' +
                       (action->isEnabled() ? "on" : "off");
          }
        }
        return all.join(',');
      };
      for (const char* keys : {"Down Down End", "S-Right"}) {
        std::array<QString, 2> menus;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
          QWidget* box = boxes[i];
          QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
          press(box, keys, place);
          box->activateWindow();
          QVERIFY(QTest::qWaitForWindowActive(box));
          box->setFocus();
          QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) return;
            const QPoint at = menu->pos() - box->mapToGlobal(QPoint(0, 0));
            menus[i] = entries(menu) + QStringLiteral(" at %1,%2").arg(at.x()).arg(at.y());
            menu->close();
          });
          QContextMenuEvent menu_key(QContextMenuEvent::Keyboard, QPoint(), QPoint());
          QApplication::sendEvent(box->windowHandle(), &menu_key);
          QTRY_VERIFY(!menus[i].isEmpty());  // Qt's own menu shows without waiting
        }
        QCOMPARE(menus[1], menus[0]);
      }
      // Right to left (as with -reverse), a line reads as in the QPlainTextEdit: date, then
      // time; its caret is not drawn.
      edit.setCursorWidth(0);
      for (QWidget* box : boxes) {
        QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
        box->clearFocus();
      }
      QApplication::setLayoutDirection(Qt::RightToLeft);
      const QImage reversed = view.viewport()->grab().toImage();
      const QImage theirs = edit.viewport()->grab().toImage();
      QApplication::setLayoutDirection(Qt::LeftToRight);
      QCOMPARE(reversed, theirs);
    }
  }

  // Rows break exactly where a read-only QPlainTextEdit of the same font and size breaks
  // them: every reference download's text and lists (fixed and en_US forms), and a line of
  // the code page's printable characters with tabs, in four fonts and four widths.
  void rowsBreakWhereAPlainTextEditBreaksThem() {
    std::vector<std::string> texts;
    const tarvex::SystemFormatter english(std::string("en_US.UTF-8"));
    for (const auto& entry : std::filesystem::directory_iterator(TARVEX_TEST_DATA_DIR)) {
      if (entry.path().extension() != ".vlm" || std::filesystem::file_size(entry) == 0) continue;
      for (const tarvex::RegionalFormatter* forms :
           {static_cast<const tarvex::RegionalFormatter*>(&fixed_),
            static_cast<const tarvex::RegionalFormatter*>(&english)}) {
        tarvex::ConversionSession session;
        session.Open(entry.path());
        if (tarvex::testing::FailureOf([&] { session.Convert(*forms); }) != "none") continue;
        texts.push_back(session.State().FileText);
        texts.push_back(session.State().EntryList + session.State().ExitList);
      }
    }
    std::string line;
    for (std::uint32_t seed = 7; line.size() < 3000; seed = seed * 1103515245u + 12345u) {
      const auto byte = static_cast<unsigned char>(32 + (seed >> 16) % 225);
      line += byte == 0x7F ? '\t' : static_cast<char>(byte);
    }
    texts.push_back(line);
    // Then the characters the rules treat apart, packed close: letters and digits next to
    // signs, currencies, brackets, hyphens, soft hyphens and spaces (tabs are in the line
    // above; a tab right after a soft hyphen at a row's edge is where Qt and the box differ).
    const std::string_view special =
        "a1+\xB1\xD7$%()-\xAD ,./:'\"\xAC\xB0\x80"
        "b2 ";
    line.clear();
    for (std::uint32_t seed = 11; line.size() < 3000; seed = seed * 1103515245u + 12345u) {
      line += special[(seed >> 16) % special.size()];
    }
    texts.push_back(line);
    QFont bold(QStringLiteral("DejaVu Sans"), 14);
    bold.setBold(true);
    for (const QFont& font :
         {QFont(QStringLiteral("DejaVu Sans"), 9), QFont(QStringLiteral("DejaVu Serif"), 11),
          QFont(QStringLiteral("DejaVu Sans Mono"), 10), bold}) {
      for (const int width : {90, 150, 233, 330}) {
        tarvex::TextView view;
        view.setFont(font);
        QPlainTextEdit edit;
        edit.setReadOnly(true);
        edit.setFont(view.font());
        edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        for (QWidget* box : {static_cast<QWidget*>(&view), static_cast<QWidget*>(&edit)}) {
          box->resize(width, 120);
          box->show();
        }
        QCOMPARE(view.viewport()->width(), edit.viewport()->width());
        for (const std::string& text : texts) {
          view.SetSource(&text);
          edit.setPlainText(view.Text().replace(QLatin1String("\r\n"), "\n"));
          auto* layout = static_cast<QPlainTextDocumentLayout*>(edit.document()->documentLayout());
          QList<std::size_t> expected, rows;
          for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
            // Not the empty block after a last line end: the box has no row there.
            if (block.length() == 1 && !block.next().isValid()) break;
            layout->ensureBlockLayout(block);
            for (int i = 0; i < block.layout()->lineCount(); ++i) {
              expected << static_cast<std::size_t>(block.position() +
                                                   block.layout()->lineAt(i).textStart());
            }
          }
          for (std::size_t row = 0; row < view.RowCount(); ++row) {
            rows << view.CharacterOf(view.RowStart(row));
          }
          QCOMPARE(rows, expected);
        }
      }
    }
  }

  // Assistive technology reads each large box as a read-only QPlainTextEdit: its role, name
  // and states, its text by ranges (a line end is one line feed), the caret, the selection
  // and character geometry (the events, which need a screen reader, in the end-to-end test);
  // a path box as a read-only line of text, not an editable one; each count and header field
  // labelled by its caption and read after it, and the counts told after a Conversion.
  void boxesAreReadByAssistiveTechnology() {
    Press(Qt::Key_A, Data("small_download.vlm"));
    Press(Qt::Key_C);
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(window_.get());
    QStringList read;
    for (int i = 0; i < window->childCount(); ++i) {
      QAccessibleInterface* child = window->child(i);
      if (child->role() != QAccessible::StaticText && child->role() != QAccessible::Notification) {
        continue;
      }
      const auto captions = child->relations(QAccessible::Label);
      read << (captions.size() == 1 ? captions.front().first->text(QAccessible::Name) + " → "
                                    : "") +
                  child->text(QAccessible::Name);
    }
    QCOMPARE(read.join('|'),
             "ENTRADAS:|ENTRADAS: → 10|SALIDAS:|SALIDAS: → 13|S/N:|S/N: → 12|TOTAL:|TOTAL: → 26|"
             "Contador:|Contador: → 004711|Descargado:|Descargado: → 01/03/2024 18:30:05 |"
             "ENTRADAS: 10, SALIDAS: 13, TOTAL: 26");
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(W().entriesBox);
    QCOMPARE(box->role(), QAccessible::EditableText);
    QCOMPARE(box->text(QAccessible::Name), QStringLiteral("Entradas"));
    QVERIFY(box->state().readOnly && box->state().multiLine && !box->state().editable);
    QAccessibleTextInterface* text = box->textInterface();
    const QString lines = W().entriesBox->Text().replace("\r\n", "\n");
    QCOMPARE(text->text(0, text->characterCount()), lines);
    int start = 0, end = 0;
    QCOMPARE(text->textAtOffset(30, QAccessible::LineBoundary, &start, &end), lines.mid(23, 23));
    QCOMPARE(text->textAfterOffset(0, QAccessible::WordBoundary, &start, &end), "/");
    QCOMPARE(text->textBeforeOffset(30, QAccessible::ParagraphBoundary, &start, &end),
             lines.left(23));
    W().entriesBox->setFocus();
    QTest::keyClick(W().entriesBox, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(text->cursorPosition(), 23);
    text->selection(0, &start, &end);
    QCOMPARE(QPoint(start, end), QPoint(0, 23));
    text->setSelection(0, 3, 10);
    QCOMPARE(W().entriesBox->SelectedText(), QStringLiteral("02/2024"));
    const QRect glyph = text->characterRect(30);
    QVERIFY(
        QRect(W().entriesBox->mapToGlobal(QPoint(0, 0)), W().entriesBox->size()).contains(glyph));
    QCOMPARE(text->offsetAtPoint(glyph.center()), 30);
    QAccessibleInterface* path = QAccessible::queryAccessibleInterface(W().downloadPathBox);
    QCOMPARE(path->text(QAccessible::Name), QStringLiteral("Archivo de descarga"));
    QVERIFY(path->state().readOnly && !path->state().editable);
    QCOMPARE(path->textInterface()->text(0, 100), Data("small_download.vlm"));
    // A path box's selection, as a screen reader reads and sets it.
    QAccessibleTextInterface* path_text = path->textInterface();
    QCOMPARE(path_text->selectionCount(), 0);
    path_text->setSelection(0, 1, 5);
    QCOMPARE(W().downloadPathBox->selectedText(), Data("small_download.vlm").mid(1, 4));
    QCOMPARE(path_text->selectionCount(), 1);
    path_text->selection(0, &start, &end);
    QCOMPARE(QPoint(start, end), QPoint(1, 5));
  }

  // From 8 to 18 points no caption, field or button is cut, in the main window or in Resumen;
  // no table row is lower, and no column narrower, than its text; the boxes keep some room;
  // Resumen fits its screen with a row of days at least, and at the usual font the main window
  // fits a 1280x900 screen at 1.5 times (run again by CTest on such a screen at 1.5 times, and
  // with fonts at 168 dots an inch).
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
               qPrintable(QStringLiteral("Resumen %1x%2 at %3 points")
                              .arg(summary.frameGeometry().width())
                              .arg(summary.frameGeometry().height())
                              .arg(points)));
      QVERIFY2(summary.daysTable->viewport()->height() >= summary.daysTable->rowHeight(0),
               qPrintable(QStringLiteral("%1 points: %2 < %3")
                              .arg(points)
                              .arg(summary.daysTable->viewport()->height())
                              .arg(summary.daysTable->rowHeight(0))));
      for (QWidget* top : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&summary)}) {
        for (const QSize size : {top->size(), top->minimumSize()}) {
          top->resize(size);
          QApplication::processEvents();
          for (QWidget* control : top->findChildren<QWidget*>()) {
            QString text;
            auto* label = qobject_cast<QLabel*>(control);
            if (label != nullptr) {
              text = label->buddy() != nullptr ? label->text().remove('&') : label->text();
            }
            if (auto* button = qobject_cast<QPushButton*>(control)) {
              text = button->text().remove('&');
            }
            QSize needed = control->fontMetrics().size(Qt::TextSingleLine, text);
            if (label != nullptr && label->wordWrap()) {  // as many rows as its width needs
              needed = {0, label->heightForWidth(label->width()) - 2 * label->margin()};
            }
            QVERIFY2(text.isEmpty() || (needed.width() <= control->contentsRect().width() &&
                                        needed.height() <= control->contentsRect().height()),
                     qPrintable(QStringLiteral("%1 at %2 points").arg(text).arg(points)));
          }
          for (QTableView* table : top->findChildren<QTableView*>()) {
            const QFontMetrics metrics = table->fontMetrics();
            for (int row = 0; row < table->model()->rowCount(); ++row) {
              for (int column = 0; column < table->model()->columnCount(); ++column) {
                const QString text = table->model()->index(row, column).data().toString();
                QVERIFY2(metrics.height() <= table->rowHeight(row) &&
                             metrics.horizontalAdvance(text) < table->columnWidth(column),
                         qPrintable(QStringLiteral("%1 at %2 points").arg(text).arg(points)));
              }
            }
          }
          if (top != &window) continue;
          QVERIFY(window.downloadTextBox->RowWidth() >=
                  8 * window.downloadTextBox->fontMetrics().averageCharWidth());
          QCOMPARE(window.entriesBox->RowCount(), 10u);  // a row a line: no date cut from its time
          QCOMPARE(window.exitsBox->RowCount(), 13u);
        }
      }
    }
    QApplication::setFont(usual);
  }

  // Resumen (Alt+R, once a download is converted): a row per day, dates and decimals in the
  // lists' regional forms; the chosen day's 24 hours as a table the chart draws from; the
  // checks; and exports of the passages and intervals appended as reports are, with the header
  // row only into an empty file, never into the open download. Tab goes from control to
  // control, the arrows move in a table, and Escape or Cerrar closes the window.
  void theSummaryWindowShowsTheCountsAndExportsThem() {
    const auto rows_of = [](QTableWidget* table) {
      QStringList rows;
      for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column) {
          cells << table->item(row, column)->text();
        }
        rows << cells.join('|');
      }
      return rows;
    };
    // The first days in the fixed forms, and in en_US's as its lists show them.
    const tarvex::SystemFormatter english(std::string("en_US.UTF-8"));
    for (const auto& [forms, days] :
         {std::pair<const tarvex::RegionalFormatter*, QStringList>{
              &english,
              {"03/06/2011|0|1|1|08:30-09:30|1|0.25|0 (00:00:00)|-1|-1",
               "11/02/2026|6|3|9|07:45-08:45|6|0.50|2 (23:59:58)|-3|2"}},
          {&fixed_,
           {"06/03/2011|0|1|1|08:30-09:30|1|0,25|0 (00:00:00)|-1|-1",
            "02/11/2026|6|3|9|07:45-08:45|6|0,50|2 (23:59:58)|-3|2",
            "03/11/2026|1|0|1|08:15-09:15|1|0,25|3 (09:00:00)|2|3"}}}) {
      tarvex::MainWindow window(platform_, forms);
      window.openDownload(Data("checks.vlm"));
      window.convert();
      window.showSummary();
      const QStringList rows = rows_of(window.summaryWindow->daysTable);
      QCOMPARE(rows.mid(0, static_cast<int>(days.size())), days);
      QCOMPARE(rows.size(), 5);
    }
    W().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    Press(Qt::Key_A, Data("checks.vlm"));
    QVERIFY(!W().summaryButton->isEnabled());
    Press(Qt::Key_C);
    Press(Qt::Key_R);
    tarvex::SummaryWindow* summary = W().summaryWindow;
    QVERIFY(summary != nullptr && summary->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), summary);
    // The chosen day's hours, as assistive technology reads them, are the intervals of 60
    // minutes of that day; Down in the days chooses the next, whose hours then show.
    const QStringList intervals = QString::fromStdString(Bytes(Data("checks.intervals60.csv")))
                                      .split('\n', Qt::SkipEmptyParts)
                                      .mid(1);
    QAccessibleTableInterface* hour_table =
        QAccessible::queryAccessibleInterface(summary->hoursTable)->tableInterface();
    QVERIFY(hour_table != nullptr);
    QCOMPARE(QApplication::focusWidget(), summary->daysTable);  // the first control
    for (const QString date : {"2011-03-06", "2026-11-02", "2026-11-03"}) {
      QStringList expected, shown;
      int busiest = 1, low = 0, high = 1;
      for (const QString& line : intervals) {
        const QStringList f = line.trimmed().split(',');
        if (f[3] != date) continue;
        expected << f[4] + '-' + f[5] + '|' + f[6] + '|' + f[7] + '|' + f[9];
        busiest = std::max({busiest, f[6].toInt(), f[7].toInt()});
        low = std::min(low, f[9].toInt());
        high = std::max(high, f[9].toInt());
      }
      QStringList headers;
      for (int column = 0; column < hour_table->columnCount(); ++column) {
        headers << hour_table->columnDescription(column);
      }
      QCOMPARE(headers.join('|'), "Hora|Entradas|Salidas|Ocupación al final de la hora");
      for (int row = 0; row < hour_table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < hour_table->columnCount(); ++column) {
          cells << hour_table->cellAt(row, column)->text(QAccessible::Name);
        }
        shown << cells.join('|');
      }
      QCOMPARE(shown, expected);
      // The chart: what it shows and its scales, told in its description.
      const QString description =
          QAccessible::queryAccessibleInterface(summary->chart)->text(QAccessible::Description);
      QVERIFY2(description.contains(QStringLiteral("de 0 a %1;").arg(busiest)) &&
                   description.contains(QStringLiteral("derecha, de %1 a %2.").arg(low).arg(high)),
               qPrintable(description));
      QTest::keyClick(summary->daysTable, Qt::Key_Down);
    }
    QCOMPARE(summary->daysTable->currentRow(), 3);
    // The chart draws the hours' model: no day, another picture.
    const QImage day = summary->chart->grab().toImage();
    summary->dayHours->SetDay(std::nullopt);
    QVERIFY(summary->chart->grab().toImage() != day);
    QCOMPARE(QAccessible::queryAccessibleInterface(summary->chart)->text(QAccessible::Description),
             QStringLiteral("Ningún día elegido"));
    // Tab and Shift+Tab go round the controls, each named for assistive technology by its
    // caption where it has one (a list box, as Qt does on Linux, by its choice, its caption
    // being its label), and no two controls share a spot.
    QStringList forward, back;
    for (int i = 0; i < 6; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      forward << QAccessible::queryAccessibleInterface(QApplication::focusWidget())
                     ->text(QAccessible::Name);
    }
    for (int i = 0; i < 6; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
      back.prepend(QAccessible::queryAccessibleInterface(QApplication::focusWidget())
                       ->text(QAccessible::Name));
    }
    QCOMPARE(forward.join('|'),
             QStringLiteral("Horas del día|Comprobaciones|Pasos|Exportar CSV…|Cerrar|Días"));
    QCOMPARE(back, forward.mid(5) + forward.mid(0, 5));
    const QList<QWidget*> controls = summary->findChildren<QWidget*>();
    for (QWidget* a : controls) {
      for (QWidget* b : controls) {
        if (a == b || a->focusPolicy() == Qt::NoFocus || b->focusPolicy() == Qt::NoFocus ||
            !a->isVisible() || !b->isVisible() || a->isAncestorOf(b) || b->isAncestorOf(a)) {
          continue;
        }
        QVERIFY2(!QRect(a->mapTo(summary, QPoint()), a->size())
                      .intersects(QRect(b->mapTo(summary, QPoint()), b->size())),
                 qPrintable(QStringLiteral("%1 over %2")
                                .arg(a->metaObject()->className(), b->metaObject()->className())));
      }
    }
    QStringList checks;
    for (int i = 0; i < summary->checksList->count(); ++i)
      checks << summary->checksList->item(i)->text();
    const QString expected = QString::fromStdString(Bytes(Data("checks.summary.txt")));
    QCOMPARE("  " + checks.join("\n  "),
             expected.section("Comprobaciones:\n", 1).section("\n\n", 0, 0));
    platform_.answers << Temp("pasos") << Temp("horas.csv") << Temp("horas.csv")
                      << Data("checks.vlm");
    platform_.filters << "Tablas CSV";  // as a dialog hiding the patterns hands it back
    summary->exportButton->click();
    summary->exportChoice->setCurrentIndex(2);
    summary->exportButton->click();
    summary->exportButton->click();
    summary->exportButton->click();
    QCOMPARE(Bytes(Temp("pasos.csv")), Bytes(Data("checks.passages.csv")));
    const std::string hours = Bytes(Data("checks.intervals60.csv"));
    QCOMPARE(Bytes(Temp("horas.csv")), hours + hours.substr(hours.find('\n') + 1));
    QVERIFY(platform_.log.last().contains("Número de error: 55"));
    QCOMPARE(platform_.dialogs.at(1),
             "Save|Tablas CSV (*.csv);Todos los archivos (*)|Tablas CSV (*.csv)|" +
                 QStringLiteral(TARVEX_TEST_DATA_DIR));
    // Escape, Cerrar's access key and Cerrar close the window, and the main window is active.
    const std::function<void()> closers[] = {
        [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); },
        [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::AltModifier); },
        [&] { summary->closeButton->click(); }};
    for (const auto& close : closers) {
      QVERIFY(summary->isVisible());
      close();
      QTRY_VERIFY(!summary->isVisible());
      QTRY_COMPARE(QApplication::activeWindow(), window_.get());
      Press(Qt::Key_R);
      QTRY_COMPARE(QApplication::activeWindow(), summary);
    }
    W().openDownload(Data("worked_example.vlm"));  // another file: nothing to sum up yet
    QVERIFY(!W().summaryButton->isEnabled() && !summary->isVisible());
  }

  // The path boxes only show paths; one local file dropped on the window opens it, and
  // anything else is refused.
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
  }

  // Under an address-space limit too small for a million records, Open or Conversion shows
  // failure 7 and the window goes on working.
  void aMemoryLimitShowsFailure7AndTheWindowGoesOn() {
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer reserves more address space than the limit leaves");
#endif
    std::string big = "&000123xx07";
    for (int i = 0; i < 1000000; ++i) big += "$3E654A3B@";
    tarvex::testing::WriteFile(Temp("big.vlm").toStdString(), big);
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
    QCOMPARE(W().entriesBox->Text(), QString::fromLatin1(W().State().EntryList));
  }

  void aLongLineWrapsAndAMillionLinesScroll() {
    tarvex::TextView view;
    view.resize(449, 81);
    std::string lines;
    for (int i = 0; i < 1000000; ++i) lines += "05/03/2011    09:17:54\r\n";
    view.SetSource(&lines);
    QCOMPARE(view.RowCount(), 1000000u);
    view.show();
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QVERIFY(view.FirstVisibleRow() > 999990u);
    lines.resize(10);  // a string that shrank is never read past its end
    view.repaint();
    QCOMPARE(view.Text(), QStringLiteral("05/03/2011"));
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"

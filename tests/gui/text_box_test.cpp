// The large read-only text box against Qt's own read-only QPlainTextEdit of the same font and
// size: keys, clicks and menu, where rows break, what a screen reader reads; and its own
// promises (selection, copy, focus, a million lines).
#include <QAccessible>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QStyleHints>
#include <QTextBlock>
#include <QtTest>
#include <filesystem>

#include "test_support.h"
#include "textbox/accessible_text.h"
#include "textbox/text_view.h"

// A read-only QPlainTextEdit beside a box, both of the same font and size, shown.
struct Pair {
  QPlainTextEdit edit;
  tarvex::TextView view;
  std::array<QWidget*, 2> boxes = {&edit, &view};
  Pair(const QFont& font, QSize size) {
    edit.setReadOnly(true);
    view.setFont(font);
    edit.setFont(view.font());  // as the box lays it out: without kerning
    edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);  // as the box has it
    for (QWidget* box : boxes) {
      box->resize(size);
      box->show();
    }
  }
};

class TextBoxTests : public QObject {
  Q_OBJECT

  std::string list_;  // a list of 28 lines, as the window's lists are
  const std::string words_ =
      "uno dos tres cuatro cinco seis siete ocho nueve diez once doce trece catorce\r\n\r\n"
      "fin  de la prueba, con-guion y (parentesis) 12:30\r\nultima";

 private slots:
  void initTestCase() {
    tarvex::InstallAccessibility();
    for (int i = 1; i <= 28; ++i) {
      list_ += QStringLiteral("%1/03/2011    09:17:54\r\n").arg(i, 2, 10, QChar('0')).toStdString();
    }
  }

  // Keys, clicks, double-clicks and the context menu do in a box what they do in a read-only
  // QPlainTextEdit that takes the keyboard, with the same text, font and size: a list with its
  // line ends, words that wrap, and a download's one long line. Each case of the data file
  // text_box_keys.txt starts at the top; then the selection, the caret (never between a CR and
  // its LF), the menu and where the Menu key opens it must agree, and in a right-to-left window
  // the two boxes must look the same.
  void keysAndMenuWorkAsInAPlainTextEdit() {
    // The cases, each a name and its keys, as the data file says.
    QList<std::pair<QString, QString>> table;
    for (const QString& line :
         QString::fromStdString(
             tarvex::testing::ReadFile(tarvex::testing::DataFile("text_box_keys.txt")))
             .split('\n', Qt::SkipEmptyParts)) {
      if (!line.startsWith('#')) table.append({line.section(" | ", 0, 0), line.section(" | ", 1)});
    }
    QVERIFY(!table.isEmpty());
    const auto press = [](QWidget* box, const QString& keys, auto place) {
      for (const QString& key : keys.split(' ')) {
        QWidget* area = static_cast<QAbstractScrollArea*>(box)->viewport();
        const auto click = key.startsWith("Clk@") ? QTest::MouseClick : QTest::MouseDClick;
        if (key.contains('@')) {
          QTest::mouseEvent(click, area, Qt::LeftButton, {}, place(key.mid(4).toInt()));
        }
        const QString held = key.section('-', 0, -2);
        const Qt::KeyboardModifiers modifiers =
            (held.contains('S') ? Qt::ShiftModifier : Qt::NoModifier) |
            (held.contains('C') ? Qt::ControlModifier : Qt::NoModifier);
        const auto name = static_cast<Qt::Key>(QKeySequence(key.section('-', -1))[0].key());
        if (!key.contains('@')) QTest::keyClick(box, name, modifiers);
      }
    };
    std::string download = "&000001xx0105/11/2026 12:00:00";
    for (int i = 0; i < 10; ++i) download += i % 3 == 0 ? "$5D773CD0#" : "$5D773CD1@";
    for (const std::string& text : {list_, words_, download}) {
      Pair pair(QFont(QStringLiteral("DejaVu Sans"), 9), QSize(230, 100));
      auto& [edit, view, boxes] = pair;
      edit.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      edit.setPlainText(QString::fromStdString(text).replace("\r\n", "\n"));
      view.SetSource(&text);
      QVERIFY(QTest::qWaitForWindowExposed(&view) && QTest::qWaitForWindowExposed(&edit));
      // Where the caret stands before a character, as the QPlainTextEdit draws it.
      const auto place = [&](int character) {
        QTextCursor caret(edit.document());
        caret.setPosition(character);
        return edit.cursorRect(caret).center() + QPoint(1, 0);
      };
      for (const auto& [name, keys] : table) {
        for (QWidget* box : boxes) {
          QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
          press(box, keys, place);
        }
        // The selection, and its ends as bytes of the box's text.
        const QTextCursor theirs = edit.textCursor();
        const auto at = [&](int character) { return view.OffsetOf(std::size_t(character)); };
        QCOMPARE(name + QStringLiteral(" %1-%2 ").arg(view.Anchor()).arg(view.Cursor()) +
                     view.SelectedText().replace("\r\n", "\n"),
                 name +
                     QStringLiteral(" %1-%2 ").arg(at(theirs.anchor())).arg(at(theirs.position())) +
                     theirs.selectedText().replace(QChar::ParagraphSeparator, '\n'));
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
  // them: every download of the data folder as stored and the reports beside them (the lists
  // in the fixed and the classic forms), and a line of the code page's printable characters
  // with tabs, in four fonts and four widths.
  void rowsBreakWhereAPlainTextEditBreaksThem() {
    std::vector<std::string> texts;
    for (const auto& entry : std::filesystem::directory_iterator(TARVEX_TEST_DATA_DIR)) {
      const std::string name = entry.path().filename().string();
      if (name.ends_with(".vlm") || name.ends_with(".report.txt") ||
          name.ends_with(".report.C.txt")) {
        texts.push_back(tarvex::testing::ReadFile(entry.path()));
      }
    }
    // A line of the code page's printable characters with tabs; then the characters the rules
    // treat apart, packed close: letters and digits next to signs, currencies, brackets,
    // hyphens, soft hyphens and spaces (a tab right after a soft hyphen at a row's edge is
    // where Qt and the box differ).
    const std::string_view special =
        "a1+\xB1\xD7$%()-\xAD ,./:'\"\xAC\xB0\x80"
        "b2 ";
    for (const bool printable : {true, false}) {
      std::string line;
      for (std::uint32_t seed = printable ? 7 : 11; line.size() < 3000;
           seed = seed * 1103515245u + 12345u) {
        const auto byte = static_cast<unsigned char>(32 + (seed >> 16) % 225);
        line += !printable     ? special[(seed >> 16) % special.size()]
                : byte == 0x7F ? '\t'
                               : static_cast<char>(byte);
      }
      texts.push_back(line);
    }
    QFont bold(QStringLiteral("DejaVu Sans"), 14);
    bold.setBold(true);
    for (const QFont& font :
         {QFont(QStringLiteral("DejaVu Sans"), 9), QFont(QStringLiteral("DejaVu Serif"), 11),
          QFont(QStringLiteral("DejaVu Sans Mono"), 10), bold}) {
      for (const int width : {90, 150, 233, 330}) {
        Pair pair(font, QSize(width, 120));
        auto& [edit, view, boxes] = pair;
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

  // Assistive technology reads the box as a read-only QPlainTextEdit: its role, name and
  // states, its text by ranges (a line end is one line feed), the caret, the selection and
  // character geometry (the events, which need a screen reader, in the end-to-end test).
  // Select and copy with the keys, the platform's line ends on the clipboard; a focused box
  // draws the style's focus frame and a caret blinking at the platform's rate; a selection
  // never paints past the end of a row.
  void aScreenReaderAndTheKeysSelectAndCopy() {
    tarvex::TextView box;
    box.setAccessibleName(QStringLiteral("Entradas"));
    const std::string shown = list_ + words_;
    box.SetSource(&shown);
    box.resize(200, 120);
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    box.Refresh();
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&box);
    QCOMPARE(reader->role(), QAccessible::EditableText);
    QCOMPARE(reader->text(QAccessible::Name), QStringLiteral("Entradas"));
    QVERIFY(reader->state().readOnly && reader->state().multiLine && !reader->state().editable);
    QAccessibleTextInterface* text = reader->textInterface();
    const QString lines = QString::fromStdString(shown).replace("\r\n", "\n");
    QCOMPARE(text->text(0, text->characterCount()), lines);
    int start = 0, end = 0;
    for (const auto& [offset, word] :
         {std::pair{21, "54"}, {716, "catorce"}, {747, "guion"}, {775, "ultima"}}) {
      QCOMPARE(text->textAtOffset(offset, QAccessible::WordBoundary, &start, &end), word);
    }
    QCOMPARE(text->textAtOffset(30, QAccessible::LineBoundary, &start, &end), lines.mid(23, 23));
    QCOMPARE(text->textAfterOffset(0, QAccessible::WordBoundary, &start, &end), "/");
    QCOMPARE(text->textBeforeOffset(30, QAccessible::ParagraphBoundary, &start, &end),
             lines.left(23));
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(box.SelectedText(), QStringLiteral("01/03/2011    09:17:54"));
    QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(box.SelectedText(), "01/03/2011    09:17:54\r\n02/03/2011    09:17:54");
    QCOMPARE(text->cursorPosition(), 45);
    text->selection(0, &start, &end);
    QCOMPARE(QPoint(start, end), QPoint(0, 45));
    text->setSelection(0, 3, 10);
    QCOMPARE(box.SelectedText(), QStringLiteral("03/2011"));
    const QRect glyph = text->characterRect(30);
    QVERIFY(QRect(box.mapToGlobal(QPoint(0, 0)), box.size()).contains(glyph));
    QCOMPARE(text->offsetAtPoint(glyph.center()), 30);
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), lines);
    const QImage all = box.grab().toImage();
    const QPoint row = box.viewport()->pos() + QPoint(0, 5);
    QVERIFY(all.pixelColor(row + QPoint(20, 0)) != QColor(Qt::white));
    QCOMPARE(all.pixelColor(row + QPoint(box.RowWidth(), 0)), QColor(Qt::white));
    QVERIFY(box.CaretShown());
    QTRY_VERIFY_WITH_TIMEOUT(!box.CaretShown(), QGuiApplication::styleHints()->cursorFlashTime());
    QTRY_VERIFY_WITH_TIMEOUT(box.CaretShown(), QGuiApplication::styleHints()->cursorFlashTime());
    const QImage focused = box.grab().toImage();
    box.clearFocus();
    QVERIFY(box.grab().toImage().pixelColor(0, 60) != focused.pixelColor(0, 60));
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

QTEST_MAIN(TextBoxTests)
#include "text_box_test.moc"

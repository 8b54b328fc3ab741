#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "textbox/row_breaker.h"

namespace tarvex {

// Bytes of the 8-bit code page (Windows-1252) as text.
QString DecodeWindows1252(std::string_view bytes);

// A read-only multi-line text box for texts of any size: a download's one long line, or a
// list of a million lines. It shows a string it does not own, and behaves as a read-only
// QPlainTextEdit of the same font and size does: its rows break where that box breaks them
// (see RowBreaker); the user scrolls, selects with the mouse (a double-click for a word, a
// triple-click for a line) or with Shift and the arrow, word (Ctrl), line and page keys, and
// copies with Ctrl+C or the context menu, with the platform's line ends; a selection is also
// the primary selection; a focused box shows a focus frame and a blinking caret. Assistive
// technology reads it as that box's text (see InstallTextViewAccessibility).
//
// Only the visible rows are painted, so the cost of a paint follows what is visible.
//
// The view reads the string while painting. Call Refresh() after the string changes; until
// then it shows the part of the text it had at the last Refresh() (the window's texts only
// grow between refreshes), and it never reads past the string's current end.
//
// Offsets are byte offsets into the string. The text as Qt shows it ("characters") has a line
// feed where the string has CR LF: CharacterOf and OffsetOf convert.
class TextView : public QAbstractScrollArea {
 public:
  explicit TextView(QWidget* parent = nullptr);
  ~TextView() override;

  // Shows `*text` (nullptr: nothing). The string must outlive the view or a later call.
  void SetSource(const std::string* text);
  // Takes in the string's current contents; clears the selection and scrolls to the top.
  // Throws std::bad_alloc when the row index does not fit in memory; the box then shows
  // nothing.
  void Refresh();

  // The text shown, and the selected part of it, exactly (line ends as the string has them).
  QString Text() const;
  QString SelectedText() const;
  void SelectAll();
  // Copies the selection, with the platform's line ends.
  void Copy() const;

  std::size_t RowCount() const { return row_starts_.size(); }
  std::size_t FirstVisibleRow() const;
  // The text of one row, without its line end, and the width every row fits in (pixels).
  QString RowString(std::size_t row) const;
  int RowWidth() const;
  // Whether the caret is drawn at this moment (it blinks while the box has the focus).
  bool CaretShown() const { return hasFocus() && caret_on_; }

  // Room for three rows of ten characters, or of the widest line the box is told of: the box
  // grows with the window from there.
  QSize minimumSizeHint() const override;
  void SetWidestLine(const QString& line);
  // The caret's rectangle (Qt::ImCursorRectangle), where the Menu key opens the context menu.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  // For assistive technology.
  std::string_view Shown() const;  // the text as of the last Refresh, clamped
  std::size_t Cursor() const { return cursor_; }
  std::size_t Anchor() const { return anchor_; }
  void Select(std::size_t anchor, std::size_t cursor);
  // The character number of a byte offset, and the byte offset of a character number.
  std::size_t CharacterOf(std::size_t offset) const;
  std::size_t OffsetOf(std::size_t character) const;
  // The rectangle of the character at `offset`, in the viewport's coordinates.
  QRect CharacterRect(std::size_t offset) const;
  std::size_t OffsetAt(QPoint point) const;  // a point of the viewport
  std::size_t RowOf(std::size_t offset) const;
  std::size_t RowStart(std::size_t row) const { return row_starts_[row]; }
  std::size_t RowEnd(std::size_t row) const;  // offset where the row's text ends
  void EnsureVisible(std::size_t offset);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  bool event(QEvent* event) override;

 private:
  std::string_view RowText(std::size_t row) const;  // without its line end
  QString EventText() const;
  int LineHeight() const;
  int TopMargin() const;
  int VisibleRows() const;
  qreal XOf(std::size_t row, std::size_t offset) const;     // pixels from the row's left
  std::size_t OffsetInRow(std::size_t row, qreal x) const;  // nearest to x pixels from the left
  std::size_t WordStep(std::size_t offset, bool forward) const;
  void MeasureFont();
  void Layout();
  void RestartBlink();
  void UpdateScrollBar();
  void MoveCursor(std::size_t offset, bool extend);
  void SelectionChanged();
  void SetPrimarySelection() const;

  const std::string* source_ = nullptr;
  std::size_t size_ = 0;                 // size of the text at the last Refresh
  std::vector<std::size_t> row_starts_;  // byte offset of each row
  std::vector<std::size_t> crs_;         // CR LF pairs before every kCrBlock-th byte
  std::unique_ptr<RowBreaker> breaker_;
  std::size_t anchor_ = 0;  // selection: [min, max) of anchor and cursor
  std::size_t cursor_ = 0;
  // Up, Down and the page keys aim at the column the caret had before the first of them,
  // through shorter rows (negative: no vertical move since the caret last moved otherwise).
  qreal aimed_x_ = -1;
  // The page keys aim at the height on screen the caret had before the first of them
  // (negative: none since the caret last moved otherwise).
  long long page_y_ = -1;
  QBasicTimer blink_;
  QBasicTimer triple_click_;  // runs for a double-click's time after a double-click
  QPoint triple_click_point_;
  QString widest_line_;
  bool caret_on_ = true;
};

}  // namespace tarvex

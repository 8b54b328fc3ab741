#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// Bytes of the 8-bit code page (Windows-1252) as text.
QString DecodeWindows1252(std::string_view bytes);

// A read-only multi-line text box for texts of any size: a download's one long line, or a
// list of a million lines. It shows a string it does not own, wrapped as a multi-line text
// box wraps: a row holds as much as fits in the box's width in the box's font; a line that
// does not fit breaks after the last space that fits, or, with no space, after the last
// character that fits. The user can scroll, select (mouse, double-click for a word,
// Shift+keys, Ctrl+A) and copy (Ctrl+C); a focused box shows a focus frame and a blinking
// caret.
//
// Each of the code page's 256 characters has one advance in the font, kept in a table that
// is rebuilt when the font changes, so Refresh() finds every row end in a single pass over
// the bytes. Only the visible rows are painted, so the cost of a paint follows what is
// visible.
//
// The view reads the string while painting. Call Refresh() after the string changes; until
// then it shows the part of the text it had at the last Refresh() (the window's texts only
// grow between refreshes), and it never reads past the string's current end.
class TextView : public QAbstractScrollArea {
 public:
  explicit TextView(QWidget* parent = nullptr);

  // Shows `*text` (nullptr: nothing). The string must outlive the view or a later call.
  void SetSource(const std::string* text);
  // Takes in the string's current contents; clears the selection and scrolls to the top.
  // Throws std::bad_alloc when the row index does not fit in memory; the box then shows
  // nothing.
  void Refresh();

  // The text shown, and the selected part of it, exactly (line ends included).
  QString Text() const;
  QString SelectedText() const;
  void SelectAll();
  void Copy() const;

  std::size_t RowCount() const { return row_starts_.size(); }
  std::size_t FirstVisibleRow() const;
  // The text of one row, without its line end, and the width every row fits in (pixels).
  QString RowString(std::size_t row) const;
  int RowWidth() const;
  // Whether the caret is drawn at this moment (it blinks while the box has the focus).
  bool CaretShown() const { return hasFocus() && caret_on_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  bool event(QEvent* event) override;

 private:
  std::string_view Shown() const;                   // the text as of the last Refresh, clamped
  std::string_view RowText(std::size_t row) const;  // without its line end
  std::size_t RowEnd(std::size_t row) const;        // offset where the row's text ends
  std::size_t OffsetAt(QPoint point) const;
  std::size_t RowOf(std::size_t offset) const;
  int LineHeight() const;
  int VisibleRows() const;
  qreal XOf(std::size_t row, std::size_t offset) const;  // pixels from the row's left
  void MeasureFont();
  void Layout();
  void RestartBlink();
  void UpdateScrollBar();
  void MoveCursor(std::size_t offset, bool extend);
  void EnsureVisible(std::size_t offset);

  const std::string* source_ = nullptr;
  std::size_t size_ = 0;                     // size of the text at the last Refresh
  std::vector<std::size_t> row_starts_;      // byte offset of each row
  std::array<std::int32_t, 256> advance_{};  // each byte's advance, in 1/64 pixel
  std::size_t anchor_ = 0;                   // selection: [min, max) of anchor and cursor
  std::size_t cursor_ = 0;
  QBasicTimer blink_;
  bool caret_on_ = true;
};

}  // namespace tarvex

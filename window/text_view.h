#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// Bytes of the 8-bit code page (Windows-1252) as text.
QString DecodeWindows1252(std::string_view bytes);

// A read-only multi-line text box for texts of any size: a download's one long line, or a
// list of a million lines. It shows a string it does not own, wrapping lines at its width,
// and lets the user scroll, select (mouse, Shift+keys, Ctrl+A) and copy (Ctrl+C).
//
// Only the visible rows are laid out and painted, so the cost of a paint follows what is
// visible; Refresh() indexes where rows start, a single pass over the bytes.
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
  void Refresh();

  // The text shown, and the selected part of it, exactly (line ends included).
  QString Text() const;
  QString SelectedText() const;
  void SelectAll();
  void Copy() const;

  std::size_t RowCount() const { return row_starts_.size(); }
  std::size_t FirstVisibleRow() const;

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

 private:
  std::string_view Shown() const;                   // the text as of the last Refresh, clamped
  std::string_view RowText(std::size_t row) const;  // without its line end
  std::size_t RowEnd(std::size_t row) const;        // offset where the row's text ends
  std::size_t OffsetAt(QPoint point) const;
  std::size_t RowOf(std::size_t offset) const;
  int LineHeight() const;
  int VisibleRows() const;
  void Layout();
  void UpdateScrollBar();
  void MoveCursor(std::size_t offset, bool extend);
  void EnsureVisible(std::size_t offset);

  const std::string* source_ = nullptr;
  std::size_t size_ = 0;                 // size of the text at the last Refresh
  std::vector<std::size_t> row_starts_;  // byte offset of each row
  int max_advance_ = 1;                  // widest character the text uses, in pixels
  std::size_t chars_per_row_ = 1;
  std::size_t anchor_ = 0;  // selection: [min, max) of anchor and cursor
  std::size_t cursor_ = 0;
};

}  // namespace tarvex

#pragma once

#include <QLineEdit>

namespace tarvex {

// A box that shows a file's path: read-only, still focusable, selectable and copyable.
// Assistive technology reads it as a read-only line of text (see InstallAccessibility).
class PathBox : public QLineEdit {
 public:
  explicit PathBox(QWidget* parent = nullptr);
  QRect CaretRect() const { return cursorRect(); }
};

// Lets assistive technology read the window's boxes as it reads Qt's own read-only text
// boxes: a TextView as a read-only QPlainTextEdit (role, name, text by ranges, caret,
// selection, character geometry, and the events when they change), a PathBox as a read-only
// line of text that says it is read-only and not that it is editable. Installed once, before
// the first box is shown; installing again does nothing.
void InstallAccessibility();

}  // namespace tarvex

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

// What a screen reader is to say unasked, as a notification: never drawn and never focused,
// it tells its text by being shown anew with that text as its name.
class Notice : public QWidget {
 public:
  explicit Notice(QWidget* parent);
  void Tell(const QString& text);
};

// Lets assistive technology read the window's boxes as it reads Qt's own read-only text
// boxes: a TextView as a read-only QPlainTextEdit (role, name, text by ranges, caret,
// selection, character geometry, and the events when they change), a PathBox as a read-only
// line of text that says it is read-only and not that it is editable; a Notice as a
// notification. Installed once, before the first box is shown; installing again does nothing.
void InstallAccessibility();

}  // namespace tarvex

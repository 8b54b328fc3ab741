#include "textbox/accessible_text.h"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <algorithm>

#include "textbox/text_view.h"

namespace tarvex {

PathBox::PathBox(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
}

Notice::Notice(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(0, 0, 0, 0);
  hide();
}

void Notice::Tell(const QString& text) {
  hide();
  setAccessibleName(text);
  show();  // a notification that shows is said
}

namespace {

// A stretch of characters, [start, end).
struct Span {
  int start = 0;
  int end = 0;
};

constexpr int kWordWindow = 4096;  // word and sentence look-ups read this far around

// What a read-only text box tells assistive technology, over the few things each kind of box
// says of itself. Offsets are characters of the text as Qt shows it (a line end is one line
// feed).
class ReadOnlyText : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  ReadOnlyText(QWidget* box, bool multi_line)
      : QAccessibleWidget(box, QAccessible::EditableText), multi_line_(multi_line) {}

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = false;
    state.readOnly = true;
    state.selectableText = true;
    state.multiLine = multi_line_;
    return state;
  }

  using QAccessibleTextInterface::text;
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return text(0, characterCount());
    return QAccessibleWidget::text(kind);
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  void selection(int index, int* start, int* end) const override {
    const Span span = index == 0 && selectionCount() == 1 ? Selection() : Span{};
    *start = span.start;
    *end = span.end;
  }
  int selectionCount() const override {
    const Span span = Selection();
    return span.start != span.end ? 1 : 0;
  }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int index) override {
    if (index == 0) Select(cursorPosition(), cursorPosition());
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0) Select(Clamped(start), Clamped(end));
  }
  void setCursorPosition(int position) override { Select(Clamped(position), Clamped(position)); }

  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                       int* end) const override {
    return Item(Around(offset, boundary), start, end);
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                           int* end) const override {
    const Span at = Around(offset, boundary);
    return Item(at.start > 0 ? Around(at.start - 1, boundary) : Span{}, start, end);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                          int* end) const override {
    const Span at = Around(offset, boundary);
    return Item(at.end < characterCount() ? Around(at.end, boundary) : Span{at.end, at.end}, start,
                end);
  }

  QRect characterRect(int offset) const override {
    const QRect rect = Rect(Clamped(offset));
    return rect.isNull() ? rect : QRect(Area()->mapToGlobal(rect.topLeft()), rect.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Offset(Area()->mapFromGlobal(point));
  }
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

 protected:
  virtual Span Selection() const = 0;              // anchor and caret, in either order
  virtual void Select(int anchor, int caret) = 0;  // a selection, or the caret alone
  virtual Span Row(int offset) const = 0;          // the row shown around `offset`
  virtual QWidget* Area() const = 0;               // the widget the text is drawn on
  virtual QRect Rect(int offset) const = 0;        // in Area()'s coordinates
  virtual int Offset(QPoint point) const = 0;      // a point of Area()

  int Clamped(int offset) const { return std::clamp(offset, 0, characterCount()); }

 private:
  // The paragraph around `offset`: from a line feed to the next.
  Span Paragraph(int offset) const {
    const Span near{std::max(0, offset - kWordWindow), Clamped(offset + kWordWindow)};
    const QString around = text(near.start, near.end);
    const qsizetype at = offset - near.start;
    const qsizetype before = at > 0 ? around.lastIndexOf(QLatin1Char('\n'), at - 1) : -1;
    const qsizetype after = around.indexOf(QLatin1Char('\n'), at);
    return {before < 0 && near.start > 0 ? near.start : near.start + static_cast<int>(before + 1),
            after < 0 ? near.end : near.start + static_cast<int>(after + 1)};
  }

  // The item of `boundary` that holds `offset`, as Qt's text boxes find it.
  Span Around(int offset, QAccessible::TextBoundaryType boundary) const {
    offset = Clamped(offset);
    switch (boundary) {
      case QAccessible::CharBoundary:
        return {offset, Clamped(offset + 1)};
      case QAccessible::LineBoundary:
        return Row(offset);
      case QAccessible::ParagraphBoundary:
        return Paragraph(offset);
      case QAccessible::NoBoundary:
        return {0, characterCount()};
      case QAccessible::WordBoundary:
      case QAccessible::SentenceBoundary:
        break;
    }
    const Span paragraph = Paragraph(offset);
    const QString text_around = text(paragraph.start, paragraph.end);
    QTextBoundaryFinder finder(boundary == QAccessible::WordBoundary
                                   ? QTextBoundaryFinder::Word
                                   : QTextBoundaryFinder::Sentence,
                               text_around);
    finder.setPosition(offset - paragraph.start);
    const auto item_edge = QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem;
    while ((finder.boundaryReasons() & item_edge) == 0 && finder.toPreviousBoundary() > 0) {
    }
    const int start = paragraph.start + static_cast<int>(std::max<qsizetype>(0, finder.position()));
    while (finder.toNextBoundary() >= 0 && finder.position() < text_around.size() &&
           (finder.boundaryReasons() & item_edge) == 0) {
    }
    const qsizetype end = finder.position() < 0 ? text_around.size() : finder.position();
    return {start, paragraph.start + static_cast<int>(end)};
  }

  QString Item(Span span, int* start, int* end) const {
    *start = span.start;
    *end = span.end;
    return text(span.start, span.end);
  }

  bool multi_line_;
};

// A large text box.
class TextViewAccessible final : public ReadOnlyText {
 public:
  explicit TextViewAccessible(TextView* view) : ReadOnlyText(view, true), view_(view) {}

  QString text(int start, int end) const override {
    const std::size_t from = view_->OffsetOf(static_cast<std::size_t>(std::max(0, start)));
    const std::size_t to = view_->OffsetOf(static_cast<std::size_t>(std::max(start, end)));
    return DecodeWindows1252(view_->Shown().substr(from, to - from))
        .replace(QLatin1String("\r\n"), QLatin1String("\n"));
  }
  using ReadOnlyText::text;
  int characterCount() const override { return Character(view_->Shown().size()); }
  int cursorPosition() const override { return Character(view_->Cursor()); }
  void scrollToSubstring(int start, int) override { view_->EnsureVisible(Byte(start)); }

 protected:
  Span Selection() const override {
    return {Character(std::min(view_->Anchor(), view_->Cursor())),
            Character(std::max(view_->Anchor(), view_->Cursor()))};
  }
  void Select(int anchor, int caret) override { view_->Select(Byte(anchor), Byte(caret)); }
  Span Row(int offset) const override {
    if (view_->RowCount() == 0) return {};
    const std::size_t row = view_->RowOf(Byte(offset));
    const std::size_t next =
        row + 1 < view_->RowCount() ? view_->RowStart(row + 1) : view_->Shown().size();
    return {Character(view_->RowStart(row)), Character(next)};
  }
  QWidget* Area() const override { return view_->viewport(); }
  QRect Rect(int offset) const override { return view_->CharacterRect(Byte(offset)); }
  int Offset(QPoint point) const override { return Character(view_->OffsetAt(point)); }

 private:
  int Character(std::size_t offset) const { return static_cast<int>(view_->CharacterOf(offset)); }
  std::size_t Byte(int character) const {
    return view_->OffsetOf(static_cast<std::size_t>(std::max(0, character)));
  }

  TextView* view_;
};

// A path box.
class PathBoxAccessible final : public ReadOnlyText {
 public:
  explicit PathBoxAccessible(PathBox* box) : ReadOnlyText(box, false), box_(box) {}

  QString text(int start, int end) const override {
    return box_->text().mid(start, std::max(0, end - start));
  }
  using ReadOnlyText::text;
  int characterCount() const override { return static_cast<int>(box_->text().size()); }
  int cursorPosition() const override { return box_->cursorPosition(); }
  void scrollToSubstring(int, int end) override { box_->setCursorPosition(end); }

 protected:
  Span Selection() const override {
    if (!box_->hasSelectedText()) return {cursorPosition(), cursorPosition()};
    return {box_->selectionStart(), box_->selectionEnd()};
  }
  void Select(int anchor, int caret) override {
    box_->setCursorPosition(anchor);
    box_->cursorForward(true, caret - anchor);
  }
  Span Row(int) const override { return {0, characterCount()}; }
  QWidget* Area() const override { return box_; }
  // The caret's rectangle tells where the text stands now it may be scrolled.
  QRect Rect(int offset) const override {
    const QFontMetrics metrics(box_->font());
    const QString text = box_->text();
    const int caret_x = box_->CaretRect().center().x();
    const int left = caret_x - metrics.horizontalAdvance(text.left(box_->cursorPosition()));
    return {left + metrics.horizontalAdvance(text.left(offset)), box_->CaretRect().top(),
            offset < text.size() ? metrics.horizontalAdvance(text.at(offset)) : 0,
            box_->CaretRect().height()};
  }
  int Offset(QPoint point) const override { return box_->cursorPositionAt(point); }

 private:
  PathBox* box_;
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* view = dynamic_cast<TextView*>(object)) return new TextViewAccessible(view);
  if (auto* box = dynamic_cast<PathBox*>(object)) return new PathBoxAccessible(box);
  if (auto* notice = dynamic_cast<Notice*>(object)) {
    return new QAccessibleWidget(notice, QAccessible::Notification);
  }
  return nullptr;
}

}  // namespace

void InstallAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

}  // namespace tarvex

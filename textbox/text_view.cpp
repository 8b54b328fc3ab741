#include "textbox/text_view.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimerEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

#include "base/code_page.h"
#include "conversion/conversion_state.h"

namespace tarvex {

namespace {

constexpr int kMargin = 4;                 // the text's margin in the box, as a text document's
constexpr std::size_t kShortLine = 256;    // lines up to this many bytes are summed whole first
constexpr std::size_t kCrBlock = 4096;     // the line-end checkpoints are this many bytes apart
constexpr std::size_t kWordWindow = 1024;  // word moves look this far along the line
// Text events carry at most this much text: a screen reader reads the rest when it needs it.
constexpr qsizetype kEventText = 65536;

const std::array<char16_t, 256>& CodePageTable() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
      t[static_cast<std::size_t>(b)] =
          static_cast<char16_t>(FromWindows1252(static_cast<unsigned char>(b)));
    }
    return t;
  }();
  return table;
}

// The box's font: the window's, laid out without kerning or ligatures, so that widths add up
// as the rows are measured (see RowBreaker).
QFont Unshaped(QFont font) {
  font.setKerning(false);
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

}  // namespace

QString DecodeWindows1252(std::string_view bytes) {
  const auto& table = CodePageTable();
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char c : bytes) *out++ = QChar(table[static_cast<unsigned char>(c)]);
  return text;
}

TextView::TextView(QWidget* parent) : QAbstractScrollArea(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
          qOverload<>(&QWidget::update));
  setFont(Unshaped(QFont()));
  MeasureFont();
}

TextView::~TextView() = default;

void TextView::MeasureFont() {
  breaker_ = std::make_unique<RowBreaker>(font());
}

void TextView::SetSource(const std::string* text) {
  source_ = text;
  Refresh();
}

void TextView::Refresh() {
  const bool told = QAccessible::isActive();
  const QString before = told ? EventText() : QString();
  size_ = source_ != nullptr ? source_->size() : 0;
  anchor_ = cursor_ = 0;
  verticalScrollBar()->setValue(0);
  viewport()->update();
  Layout();
  if (told) {
    QAccessibleTextUpdateEvent changed(this, 0, before, EventText());
    QAccessible::updateAccessibility(&changed);
  }
}

// The start of the text as assistive technology reads it, a line end one line feed.
QString TextView::EventText() const {
  return DecodeWindows1252(Shown().substr(0, kEventText)).replace(QLatin1String("\r\n"), "\n");
}

std::string_view TextView::Shown() const {
  if (source_ == nullptr) return {};
  return {source_->data(), std::min(size_, source_->size())};
}

QSize TextView::minimumSizeHint() const {
  const QFontMetrics metrics(font());
  const int frame = 2 * frameWidth();
  const int text = std::max(
      10 * metrics.averageCharWidth(),
      static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(widest_line_))) + 1);
  return {frame + 2 * kMargin + text + verticalScrollBar()->sizeHint().width(),
          frame + 2 * kMargin + 3 * LineHeight()};
}

void TextView::SetWidestLine(const QString& line) {
  widest_line_ = line;
  updateGeometry();
}

int TextView::RowWidth() const {
  return std::max(1, viewport()->width() - 2 * kMargin);
}

void TextView::Layout() {
  const std::int64_t width = std::int64_t{RowWidth()} * RowBreaker::kUnit;
  const std::string_view text = Shown();
  std::vector<std::size_t> starts;
  std::vector<std::size_t> crs;
  try {
    // At least one row a line: room for them all at once, rather than by repeated doubling.
    starts.reserve(CountByte(text, '\n') + 1);
    crs.reserve(text.size() / kCrBlock + 1);
    std::size_t pairs = 0;  // CR LF pairs so far
    std::size_t pos = 0;
    while (pos < text.size()) {
      const void* hit = std::memchr(text.data() + pos, '\n', text.size() - pos);
      const std::size_t line_end =
          hit != nullptr ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
                         : text.size();
      std::size_t text_end = line_end;
      if (hit != nullptr && text_end > pos && text[text_end - 1] == '\r') {
        --text_end;
        while (crs.size() * kCrBlock <= text_end) crs.push_back(pairs);
        ++pairs;
      }
      starts.push_back(pos);
      const std::string_view line = text.substr(pos, text_end - pos);
      // A short line (a list line) is summed whole first, a tight loop: it is usually one row.
      if (line.size() > kShortLine || !breaker_->SurelyFits(line, width)) {
        breaker_->Break(line, pos, width, starts);
      }
      pos = hit != nullptr ? line_end + 1 : text.size();
    }
    while (crs.size() * kCrBlock <= text.size()) crs.push_back(pairs);
  } catch (const std::bad_alloc&) {
    row_starts_.clear();
    crs_.clear();
    size_ = 0;
    UpdateScrollBar();
    throw;
  }
  row_starts_.swap(starts);
  crs_.swap(crs);
  UpdateScrollBar();
}

std::size_t TextView::CharacterOf(std::size_t offset) const {
  const std::string_view text = Shown();
  offset = std::min(offset, text.size());
  if (offset > 0 && offset < text.size() && text[offset - 1] == '\r' && text[offset] == '\n') {
    --offset;  // inside a line end: where it starts
  }
  const std::size_t block = offset / kCrBlock;
  std::size_t pairs = block < crs_.size() ? crs_[block] : 0;
  for (std::size_t i = block * kCrBlock; i < offset; ++i) {
    pairs += text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 1 : 0;
  }
  return offset - pairs;
}

std::size_t TextView::OffsetOf(std::size_t character) const {
  const std::string_view text = Shown();
  // The last checkpoint at or before the character, then byte by byte.
  std::size_t low = 0, high = crs_.size();
  while (high - low > 1) {
    const std::size_t mid = (low + high) / 2;
    if (mid * kCrBlock - crs_[mid] <= character) {
      low = mid;
    } else {
      high = mid;
    }
  }
  std::size_t offset = low * kCrBlock;
  std::size_t at = offset - (low < crs_.size() ? crs_[low] : 0);
  while (offset < text.size() && at < character) {
    offset += text[offset] == '\r' && offset + 1 < text.size() && text[offset + 1] == '\n' ? 2 : 1;
    ++at;
  }
  return std::min(offset, text.size());
}

int TextView::LineHeight() const {
  return std::max(1, QFontMetrics(font()).lineSpacing());
}

// The text's top margin shows above the first row only while the box is at the top, as in
// Qt's own text boxes: scrolled, the rows start at the viewport's top.
int TextView::TopMargin() const {
  return FirstVisibleRow() == 0 ? kMargin : 0;
}

int TextView::VisibleRows() const {
  return std::max(1, (viewport()->height() - TopMargin()) / LineHeight());
}

void TextView::UpdateScrollBar() {
  const auto rows = static_cast<long long>(row_starts_.size());
  // The empty line after a last line end scrolls into view too.
  const long long lines = rows + (!Shown().empty() && Shown().back() == '\n' ? 1 : 0);
  const int visible = std::max(1, (viewport()->height() - kMargin) / LineHeight());
  verticalScrollBar()->setRange(
      0, static_cast<int>(std::clamp<long long>(lines - visible, 0, INT32_MAX)));
  verticalScrollBar()->setPageStep(visible);
  verticalScrollBar()->setSingleStep(1);
}

std::size_t TextView::FirstVisibleRow() const {
  return static_cast<std::size_t>(verticalScrollBar()->value());
}

std::size_t TextView::RowEnd(std::size_t row) const {
  const std::string_view text = Shown();
  const std::size_t start = std::min(row_starts_[row], text.size());
  std::size_t end = row + 1 < row_starts_.size() ? row_starts_[row + 1] : text.size();
  end = std::clamp(end, start, text.size());
  if (end > start && text[end - 1] == '\n') {
    --end;
    if (end > start && text[end - 1] == '\r') --end;
  }
  return end;
}

QString TextView::RowString(std::size_t row) const {
  return row < row_starts_.size() ? DecodeWindows1252(RowText(row)) : QString();
}

qreal TextView::XOf(std::size_t row, std::size_t offset) const {
  const std::size_t count = offset - std::min(offset, row_starts_[row]);
  return static_cast<qreal>(breaker_->Width(RowText(row), count)) / RowBreaker::kUnit;
}

std::string_view TextView::RowText(std::size_t row) const {
  const std::string_view text = Shown();
  const std::size_t start = std::min(row_starts_[row], text.size());
  return text.substr(start, RowEnd(row) - start);
}

std::size_t TextView::RowOf(std::size_t offset) const {
  if (row_starts_.empty()) return 0;
  const auto it = std::upper_bound(row_starts_.begin(), row_starts_.end(), offset);
  return static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, it - row_starts_.begin() - 1));
}

std::size_t TextView::OffsetAt(QPoint point) const {
  if (row_starts_.empty()) return 0;
  const long long row = static_cast<long long>(FirstVisibleRow()) +
                        std::max(0, point.y() - TopMargin()) / LineHeight();
  if (row >= static_cast<long long>(row_starts_.size())) return Shown().size();
  return OffsetInRow(static_cast<std::size_t>(row), point.x() - kMargin);
}

std::size_t TextView::OffsetInRow(std::size_t row, qreal x) const {
  const std::string_view text = RowText(row);
  qreal left = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const qreal right = XOf(row, row_starts_[row] + i + 1);
    if (x < (left + right) / 2) return row_starts_[row] + i;
    left = right;
  }
  return RowEnd(row);
}

QRect TextView::CharacterRect(std::size_t offset) const {
  if (row_starts_.empty()) return {};
  const std::size_t row = RowOf(offset);
  const int top =
      TopMargin() + (static_cast<int>(row) - static_cast<int>(FirstVisibleRow())) * LineHeight();
  const qreal left = kMargin + XOf(row, offset);
  const qreal right = offset < RowEnd(row) ? kMargin + XOf(row, offset + 1) : left;
  return QRectF(left, top, right - left, LineHeight()).toAlignedRect();
}

void TextView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  // Each line in its own direction, as Qt's text boxes take it from the line's first letter
  // whatever the window's direction: the code page has no right-to-left letter, so left to
  // right, and a list line reads date then time in a right-to-left window too.
  painter.setLayoutDirection(Qt::LeftToRight);
  const QPalette& pal = palette();
  painter.fillRect(viewport()->rect(), pal.brush(QPalette::Base));
  const QFontMetrics metrics(font());
  const int line_height = LineHeight();
  const std::size_t first = FirstVisibleRow();
  const std::size_t last =
      std::min(row_starts_.size(), first + static_cast<std::size_t>(VisibleRows()) + 2);
  const std::size_t sel_begin = std::min(anchor_, cursor_);
  const std::size_t sel_end = std::max(anchor_, cursor_);
  for (std::size_t row = first; row < last; ++row) {
    const int top = TopMargin() + static_cast<int>(row - first) * line_height;
    const std::size_t start = std::min(row_starts_[row], Shown().size());
    const std::size_t end = RowEnd(row);
    const QString text = DecodeWindows1252(RowText(row));
    const QPointF baseline(kMargin, top + metrics.ascent());
    painter.setPen(pal.color(QPalette::Text));
    painter.drawText(baseline, text);
    // The selected part of the row's own text: never past its end.
    const std::size_t a = std::max(sel_begin, start);
    const std::size_t b = std::min(sel_end, end);
    if (a < b) {
      const QRectF band(kMargin + XOf(row, a), top, XOf(row, b) - XOf(row, a), line_height);
      painter.fillRect(band, pal.brush(QPalette::Highlight));
      painter.save();
      painter.setClipRect(band);
      painter.setPen(pal.color(QPalette::HighlightedText));
      painter.drawText(baseline, text);
      painter.restore();
    }
    if (CaretShown() && cursor_ >= start && cursor_ <= end && RowOf(cursor_) == row) {
      const qreal x = kMargin + XOf(row, cursor_);
      painter.setPen(pal.color(QPalette::Text));
      painter.drawLine(QPointF(x, top + 1), QPointF(x, top + line_height - 2));
    }
  }
}

// The frame, drawn as the style draws a text field's, with its focus look while focused.
bool TextView::event(QEvent* event) {
  if (event->type() != QEvent::Paint) return QAbstractScrollArea::event(event);
  QStylePainter painter(this);
  QStyleOptionFrame frame;
  frame.initFrom(this);
  frame.rect = rect();
  frame.lineWidth = frameWidth();
  frame.midLineWidth = 0;
  frame.state |= QStyle::State_Sunken;
  painter.drawPrimitive(QStyle::PE_PanelLineEdit, frame);
  return true;
}

void TextView::RestartBlink() {
  caret_on_ = true;
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blink_.start(flash / 2, this);
  } else {
    blink_.stop();
  }
  viewport()->update();
}

void TextView::timerEvent(QTimerEvent* event) {
  if (event->timerId() == triple_click_.timerId()) {
    triple_click_.stop();
    return;
  }
  if (event->timerId() != blink_.timerId()) return QAbstractScrollArea::timerEvent(event);
  caret_on_ = !caret_on_;
  viewport()->update();
}

void TextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const std::size_t top =
      row_starts_.empty() ? 0 : row_starts_[std::min(FirstVisibleRow(), row_starts_.size() - 1)];
  Layout();
  verticalScrollBar()->setValue(static_cast<int>(std::min<std::size_t>(RowOf(top), INT32_MAX)));
}

void TextView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    if (font().kerning() || font().styleStrategy() != QFont::PreferNoShaping) {
      setFont(Unshaped(font()));  // comes back here
      return;
    }
    MeasureFont();
    Layout();
    viewport()->update();
  }
}

QString TextView::Text() const {
  return DecodeWindows1252(Shown());
}

QString TextView::SelectedText() const {
  const std::string_view text = Shown();
  const std::size_t a = std::min({anchor_, cursor_, text.size()});
  const std::size_t b = std::min(std::max(anchor_, cursor_), text.size());
  return DecodeWindows1252(text.substr(a, b - a));
}

void TextView::Select(std::size_t anchor, std::size_t cursor) {
  anchor_ = std::min(anchor, Shown().size());
  MoveCursor(cursor, true);
}

void TextView::SelectAll() {
  anchor_ = 0;
  MoveCursor(Shown().size(), true);
  SetPrimarySelection();
}

void TextView::Copy() const {
  if (anchor_ != cursor_) {
    QGuiApplication::clipboard()->setText(SelectedText().replace(QLatin1String("\r\n"), "\n"));
  }
}

void TextView::SetPrimarySelection() const {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (anchor_ != cursor_ && clipboard->supportsSelection()) {
    clipboard->setText(SelectedText().replace(QLatin1String("\r\n"), "\n"), QClipboard::Selection);
  }
}

void TextView::SelectionChanged() {
  if (!QAccessible::isActive()) return;
  QAccessibleTextCursorEvent moved(this, static_cast<int>(CharacterOf(cursor_)));
  QAccessible::updateAccessibility(&moved);
  const auto a = static_cast<int>(CharacterOf(std::min(anchor_, cursor_)));
  const auto b = static_cast<int>(CharacterOf(std::max(anchor_, cursor_)));
  QAccessibleTextSelectionEvent selected(this, a, b);
  QAccessible::updateAccessibility(&selected);
}

void TextView::MoveCursor(std::size_t offset, bool extend) {
  const std::string_view text = Shown();
  offset = std::min(offset, text.size());
  if (offset > 0 && offset < text.size() && text[offset - 1] == '\r' && text[offset] == '\n') {
    --offset;  // never between the two bytes of a line end
  }
  cursor_ = offset;
  if (!extend) anchor_ = cursor_;
  aimed_x_ = -1;
  page_y_ = -1;
  EnsureVisible(cursor_);
  RestartBlink();
  SelectionChanged();
}

void TextView::EnsureVisible(std::size_t offset) {
  // At the text's end after a last line end, the empty line there.
  const std::string_view text = Shown();
  const bool open_end = !text.empty() && text.back() == '\n' && offset >= text.size();
  const auto row = static_cast<long long>(RowOf(offset)) + (open_end ? 1 : 0);
  const long long first = verticalScrollBar()->value();
  const int visible = VisibleRows();
  if (row < first) {
    verticalScrollBar()->setValue(static_cast<int>(row));
  } else if (row >= first + visible) {
    // The row at the bottom; scrolled, no margin above the rows.
    const long long whole = std::max(1, viewport()->height() / LineHeight());
    verticalScrollBar()->setValue(
        static_cast<int>(std::clamp<long long>(row - whole + 1, 1, INT32_MAX)));
  }
}

// Where Ctrl+Right (forward) or Ctrl+Left moves from `offset`: to the start of the next or
// of this or the previous word, as Qt's text layout finds words in the line; past a line's
// end, to the next line, and back.
std::size_t TextView::WordStep(std::size_t offset, bool forward) const {
  const std::string_view text = Shown();
  std::size_t line_start = offset;
  while (line_start > 0 && text[line_start - 1] != '\n') --line_start;
  std::size_t line_end = offset;
  while (line_end < text.size() && text[line_end] != '\r' && text[line_end] != '\n') ++line_end;
  if (forward && offset == line_end) {
    const void* next = std::memchr(text.data() + offset, '\n', text.size() - offset);
    return next == nullptr
               ? text.size()
               : static_cast<std::size_t>(static_cast<const char*>(next) - text.data()) + 1;
  }
  if (!forward && offset == line_start) {
    if (offset == 0) return 0;
    std::size_t end = offset - 1;
    if (end > 0 && text[end - 1] == '\r') --end;
    return end;
  }
  const std::size_t from = std::max(line_start, offset > kWordWindow ? offset - kWordWindow : 0);
  const std::size_t to = std::min(line_end, offset + kWordWindow);
  QTextLayout layout(DecodeWindows1252(text.substr(from, to - from)), font());
  const int at = static_cast<int>(offset - from);
  const int step = forward ? layout.nextCursorPosition(at, QTextLayout::SkipWords)
                           : layout.previousCursorPosition(at, QTextLayout::SkipWords);
  return from + static_cast<std::size_t>(step);
}

void TextView::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::SelectAll) return SelectAll();
  if (event == QKeySequence::Copy) return Copy();
  const bool extend = (event->modifiers() & Qt::ShiftModifier) != 0;
  const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
  const std::size_t size = Shown().size();
  if (row_starts_.empty()) return QAbstractScrollArea::keyPressEvent(event);
  const std::size_t row = RowOf(cursor_);
  // After a line end at the end of the text there is one more, empty line, where the caret
  // stands at the text's end, as in Qt's own text boxes.
  const auto last = static_cast<long long>(row_starts_.size()) - 1;
  const bool on_open_end = !Shown().empty() && Shown().back() == '\n' && cursor_ == size;
  const long long last_line = last + (!Shown().empty() && Shown().back() == '\n' ? 1 : 0);
  const long long line = on_open_end ? last_line : static_cast<long long>(row);
  // Up, down and the page keys keep the caret's distance from the row's left edge. Past the
  // first line or the last, Shift+Up and Shift+Down extend to the start or the end of the
  // text and Up and Down do nothing; a page key stops at the first or the last line.
  const qreal caret = aimed_x_ >= 0 ? aimed_x_ : on_open_end ? 0 : XOf(row, cursor_);
  const auto vertical = [&](long long target) {
    if ((target < 0 || target > last_line) && !extend) return;
    MoveCursor(target < 0      ? 0
               : target > last ? size
                               : OffsetInRow(static_cast<std::size_t>(target), caret),
               extend);
    aimed_x_ = caret;
  };
  // A page key moves the view by its height in pixels, to the first row it did not wholly
  // show (or back as far), and the caret to the first row at or past the height on screen it
  // had before the first of the page keys, as Qt's own text boxes do; the text's top margin
  // is only above the first row while it is at the top.
  const auto page_move = [&](bool down) {
    EnsureVisible(cursor_);
    QScrollBar* bar = verticalScrollBar();
    const long long height = viewport()->height(), line_height = LineHeight();
    const auto top_of = [&](long long target) {
      return TopMargin() + (target - bar->value()) * line_height;
    };
    const long long y = page_y_ >= 0 ? page_y_ : top_of(line);
    long long aim = y;
    const long long first = bar->value();
    if (down) {
      const long long whole = (height - TopMargin()) / line_height;
      if ((last_line - first + 1) * line_height + kMargin <= height - TopMargin()) {
        aim = height;  // the rest of the text and its margin are in view: to the last line
      } else {
        bar->setValue(static_cast<int>(std::min<long long>(first + whole, bar->maximum())));
      }
    } else {
      if (first == 0) aim = 0;  // at the top: to the first line
      bar->setValue(static_cast<int>(std::max<long long>(0, first - height / line_height)));
    }
    long long target = line;
    if (down && line < last_line) {
      do ++target;
      while (target < last_line && top_of(target) < aim);
    } else if (!down && line > 0) {
      do --target;
      while (target > 0 && top_of(target) > aim);
    }
    if (target != line) vertical(target);
    page_y_ = y;
  };
  switch (event->key()) {
    case Qt::Key_Left:
      MoveCursor(control ? WordStep(cursor_, false) : cursor_ > 0 ? cursor_ - 1 : 0, extend);
      break;
    case Qt::Key_Right:
      MoveCursor(control ? WordStep(cursor_, true)
                 : cursor_ + 2 <= size && Shown().substr(cursor_, 2) == kCrLf ? cursor_ + 2
                                                                              : cursor_ + 1,
                 extend);
      break;
    case Qt::Key_Up:
      vertical(line - 1);
      break;
    case Qt::Key_Down:
      vertical(line + 1);
      break;
    case Qt::Key_PageUp:
      page_move(false);
      break;
    case Qt::Key_PageDown:
      page_move(true);
      break;
    case Qt::Key_Home:
      MoveCursor(control ? 0 : on_open_end ? size : row_starts_[row], extend);
      break;
    case Qt::Key_End: {
      // Before the space where a line wraps, as in Qt's own text boxes.
      std::size_t end = RowEnd(row);
      if (row + 1 < row_starts_.size() && end == row_starts_[row + 1] && end > row_starts_[row] &&
          Shown()[end - 1] == ' ') {
        --end;
      }
      MoveCursor(control || on_open_end ? size : end, extend);
      break;
    }
    default:
      return QAbstractScrollArea::keyPressEvent(event);
  }
  if (extend) SetPrimarySelection();
}

void TextView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  const QPoint point = event->position().toPoint();
  if (triple_click_.isActive() &&
      (point - triple_click_point_).manhattanLength() < QApplication::startDragDistance()) {
    // A triple click: the whole line, its line end with it.
    triple_click_.stop();
    const std::string_view text = Shown();
    std::size_t start = OffsetAt(point);
    while (start > 0 && text[start - 1] != '\n') --start;
    const void* end = std::memchr(text.data() + start, '\n', text.size() - start);
    anchor_ = start;
    MoveCursor(end == nullptr
                   ? text.size()
                   : static_cast<std::size_t>(static_cast<const char*>(end) - text.data()) + 1,
               true);
    SetPrimarySelection();
    return;
  }
  MoveCursor(OffsetAt(point), (event->modifiers() & Qt::ShiftModifier) != 0);
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
  if ((event->buttons() & Qt::LeftButton) == 0) return;
  MoveCursor(OffsetAt(event->position().toPoint()), true);
}

void TextView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) SetPrimarySelection();
  QAbstractScrollArea::mouseReleaseEvent(event);
}

// A double-click selects the word at the caret's place as Qt's text boxes do (QTextCursor's
// WordUnderCursor: a word, a run of signs or a run of spaces, found in the line around the
// click); on an empty line it only places the caret.
void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (row_starts_.empty() || event->button() != Qt::LeftButton) return;
  triple_click_.start(QApplication::doubleClickInterval(), this);
  triple_click_point_ = event->position().toPoint();
  const std::string_view text = Shown();
  const std::size_t at = OffsetAt(event->position().toPoint());
  std::size_t line_start = at;
  while (line_start > 0 && text[line_start - 1] != '\n') --line_start;
  const void* hit = std::memchr(text.data() + at, '\n', text.size() - at);
  std::size_t line_end = hit != nullptr
                             ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
                             : text.size();
  if (line_end > line_start && hit != nullptr && text[line_end - 1] == '\r') --line_end;
  if (line_start == line_end) return MoveCursor(at, false);
  // Around the click, widened until the word found ends inside what was looked at.
  for (std::size_t reach = kWordWindow;; reach *= 2) {
    const std::size_t from = at - std::min(at - line_start, reach);
    const std::size_t to = std::min(line_end, at + reach);
    // A lone carriage return is a space in the line, not the end of a paragraph.
    QTextDocument line(DecodeWindows1252(text.substr(from, to - from)).replace(u'\r', u' '));
    QTextCursor word(&line);
    word.setPosition(static_cast<int>(at - from));
    word.select(QTextCursor::WordUnderCursor);
    const auto begin = static_cast<std::size_t>(word.selectionStart());
    const auto end = static_cast<std::size_t>(word.selectionEnd());
    if ((begin > 0 || from == line_start) && (from + end < to || to == line_end)) {
      anchor_ = from + begin;
      MoveCursor(from + end, true);
      SetPrimarySelection();
      return;
    }
  }
}

// The menu of a read-only text box: Qt's own texts and icons, with their shortcuts.
void TextView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-copy")),
                                 QCoreApplication::translate("QWidgetTextControl", "&Copy"));
  copy->setObjectName(QStringLiteral("edit-copy"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(anchor_ != cursor_);
  menu.addSeparator();
  QAction* select_all =
      menu.addAction(QIcon::fromTheme(QStringLiteral("edit-select-all")),
                     QCoreApplication::translate("QWidgetTextControl", "Select All"));
  select_all->setObjectName(QStringLiteral("select-all"));
  select_all->setShortcut(QKeySequence::SelectAll);
  select_all->setEnabled(!Shown().empty());
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == copy) Copy();
  if (chosen == select_all) SelectAll();
}

// The caret's place, where the keyboard's context menu opens, as in Qt's own text boxes (after
// a last line end, at the start of the empty line).
QVariant TextView::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query != Qt::ImCursorRectangle) return QAbstractScrollArea::inputMethodQuery(query);
  const std::string_view text = Shown();
  qreal x = 0;
  long long line = 0;
  if (!row_starts_.empty()) {
    const std::size_t row = RowOf(cursor_);
    line = static_cast<long long>(row);
    if (cursor_ == text.size() && text.back() == '\n') {
      ++line;
    } else {
      x = XOf(row, cursor_);
    }
  }
  const long long top =
      TopMargin() + (line - static_cast<long long>(FirstVisibleRow())) * LineHeight();
  return QRectF(kMargin + x, static_cast<qreal>(top), 1, LineHeight())
      .translated(viewport()->pos());
}

void TextView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  update();  // the frame's focus look
}

void TextView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  RestartBlink();
  update();
}

}  // namespace tarvex

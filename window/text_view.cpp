#include "window/text_view.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QTimerEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

#include "conversion/code_page.h"
#include "conversion/conversion_state.h"

namespace tarvex {

namespace {

constexpr int kMargin = 3;
constexpr std::int32_t kUnit = 64;       // advances are kept in 1/64 pixel
constexpr std::size_t kShortLine = 256;  // lines up to this many bytes are summed whole first

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

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
  // Without kerning a row is as wide as the sum of its characters' advances, which is what
  // the wrapping measures. Only this attribute is set: the rest still follows the window.
  QFont unkerned;
  unkerned.setKerning(false);
  setFont(unkerned);
  MeasureFont();
}

void TextView::MeasureFont() {
  const QFontMetricsF metrics(font());
  const auto& table = CodePageTable();
  for (std::size_t b = 0; b < 256; ++b) {
    advance_[b] =
        static_cast<std::int32_t>(std::lround(metrics.horizontalAdvance(QChar(table[b])) * kUnit));
  }
}

void TextView::SetSource(const std::string* text) {
  source_ = text;
  Refresh();
}

void TextView::Refresh() {
  size_ = source_ != nullptr ? source_->size() : 0;
  anchor_ = cursor_ = 0;
  verticalScrollBar()->setValue(0);
  viewport()->update();
  Layout();
}

std::string_view TextView::Shown() const {
  if (source_ == nullptr) return {};
  return {source_->data(), std::min(size_, source_->size())};
}

int TextView::RowWidth() const {
  const int scroll_bar = verticalScrollBar()->sizeHint().width();
  return std::max(1, maximumViewportSize().width() - scroll_bar - 2 * kMargin);
}

void TextView::Layout() {
  const std::int64_t budget = std::int64_t{RowWidth()} * kUnit;
  const std::string_view text = Shown();
  std::vector<std::size_t> starts;
  try {
    // At least one row a line: room for them all at once, rather than by repeated doubling.
    starts.reserve(CountByte(text, '\n') + 1);
    std::size_t pos = 0;
    while (pos < text.size()) {
      const void* hit = std::memchr(text.data() + pos, '\n', text.size() - pos);
      const std::size_t line_end =
          hit != nullptr ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
                         : text.size();
      std::size_t text_end = line_end;
      if (hit != nullptr && text_end > pos && text[text_end - 1] == '\r') --text_end;
      starts.push_back(pos);
      // A short line (a list line) is summed whole first, a tight loop: it is usually one row.
      if (text_end - pos <= kShortLine) {
        std::int64_t whole = 0;
        for (std::size_t i = pos; i < text_end; ++i) {
          whole += advance_[static_cast<unsigned char>(text[i])];
        }
        if (whole <= budget) {
          pos = hit != nullptr ? line_end + 1 : text.size();
          continue;
        }
      }
      // One pass over the line: `width` is what the current row holds so far.
      std::size_t row_start = pos;
      std::size_t after_space = 0;  // where the row would end at its last space; 0: none
      std::int64_t width = 0;
      for (std::size_t i = pos; i < text_end; ++i) {
        const std::int32_t advance = advance_[static_cast<unsigned char>(text[i])];
        if (width + advance > budget && i > row_start) {
          // Break after the last space that fit, or else before this character; what came
          // after that space moves down with it.
          row_start = after_space > row_start ? after_space : i;
          starts.push_back(row_start);
          after_space = 0;
          width = 0;
          for (std::size_t k = row_start; k < i; ++k) {
            width += advance_[static_cast<unsigned char>(text[k])];
          }
          if (width + advance > budget && i > row_start) {
            row_start = i;
            starts.push_back(i);
            width = 0;
          }
        }
        width += advance;
        if (text[i] == ' ') after_space = i + 1;
      }
      pos = hit != nullptr ? line_end + 1 : text.size();
    }
  } catch (const std::bad_alloc&) {
    row_starts_.clear();
    size_ = 0;
    UpdateScrollBar();
    throw;
  }
  row_starts_.swap(starts);
  UpdateScrollBar();
}

int TextView::LineHeight() const {
  return std::max(1, QFontMetrics(font()).lineSpacing());
}

int TextView::VisibleRows() const {
  return std::max(1, maximumViewportSize().height() / LineHeight());
}

void TextView::UpdateScrollBar() {
  const auto rows = static_cast<long long>(row_starts_.size());
  const int visible = VisibleRows();
  verticalScrollBar()->setRange(
      0, static_cast<int>(std::clamp<long long>(rows - visible, 0, INT32_MAX)));
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
  const std::string_view text = RowText(row);
  const std::size_t count = std::min(offset - std::min(offset, row_starts_[row]), text.size());
  std::int64_t width = 0;
  for (std::size_t i = 0; i < count; ++i) width += advance_[static_cast<unsigned char>(text[i])];
  return static_cast<qreal>(width) / kUnit;
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
  const long long row =
      static_cast<long long>(FirstVisibleRow()) + std::max(0, point.y()) / LineHeight();
  if (row >= static_cast<long long>(row_starts_.size())) return Shown().size();
  const auto r = static_cast<std::size_t>(row);
  const std::string_view text = RowText(r);
  qreal x = kMargin;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const qreal advance = static_cast<qreal>(advance_[static_cast<unsigned char>(text[i])]) / kUnit;
    if (point.x() < x + advance / 2) return row_starts_[r] + i;
    x += advance;
  }
  return RowEnd(r);
}

void TextView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
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
    const int top = static_cast<int>(row - first) * line_height;
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
  if (event->timerId() != blink_.timerId()) return QAbstractScrollArea::timerEvent(event);
  caret_on_ = !caret_on_;
  viewport()->update();
}

void TextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Layout();
}

void TextView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
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

void TextView::SelectAll() {
  anchor_ = 0;
  cursor_ = Shown().size();
  viewport()->update();
}

void TextView::Copy() const {
  if (anchor_ != cursor_) QGuiApplication::clipboard()->setText(SelectedText());
}

void TextView::MoveCursor(std::size_t offset, bool extend) {
  cursor_ = std::min(offset, Shown().size());
  if (!extend) anchor_ = cursor_;
  EnsureVisible(cursor_);
  RestartBlink();
}

void TextView::EnsureVisible(std::size_t offset) {
  const auto row = static_cast<long long>(RowOf(offset));
  const long long first = verticalScrollBar()->value();
  const int visible = VisibleRows();
  if (row < first) {
    verticalScrollBar()->setValue(static_cast<int>(row));
  } else if (row >= first + visible) {
    verticalScrollBar()->setValue(
        static_cast<int>(std::min<long long>(row - visible + 1, INT32_MAX)));
  }
}

void TextView::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::SelectAll) return SelectAll();
  if (event == QKeySequence::Copy) return Copy();
  const bool extend = (event->modifiers() & Qt::ShiftModifier) != 0;
  const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
  const std::size_t size = Shown().size();
  if (row_starts_.empty()) return QAbstractScrollArea::keyPressEvent(event);
  const std::size_t row = RowOf(cursor_);
  const std::size_t column = cursor_ - std::min(row_starts_[row], cursor_);
  const auto at_row = [&](long long target) {
    const auto r = static_cast<std::size_t>(
        std::clamp<long long>(target, 0, static_cast<long long>(row_starts_.size()) - 1));
    return std::min(row_starts_[r] + column, RowEnd(r));
  };
  const long long page = VisibleRows();
  switch (event->key()) {
    case Qt::Key_Left:
      return MoveCursor(cursor_ > 0 ? cursor_ - 1 : 0, extend);
    case Qt::Key_Right:
      return MoveCursor(cursor_ + 1, extend);
    case Qt::Key_Up:
      return MoveCursor(at_row(static_cast<long long>(row) - 1), extend);
    case Qt::Key_Down:
      return MoveCursor(at_row(static_cast<long long>(row) + 1), extend);
    case Qt::Key_PageUp:
      return MoveCursor(at_row(static_cast<long long>(row) - page), extend);
    case Qt::Key_PageDown:
      return MoveCursor(at_row(static_cast<long long>(row) + page), extend);
    case Qt::Key_Home:
      return MoveCursor(control ? 0 : row_starts_[row], extend);
    case Qt::Key_End:
      return MoveCursor(control ? size : RowEnd(row), extend);
    default:
      return QAbstractScrollArea::keyPressEvent(event);
  }
}

void TextView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  MoveCursor(OffsetAt(event->position().toPoint()), (event->modifiers() & Qt::ShiftModifier) != 0);
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
  if ((event->buttons() & Qt::LeftButton) == 0) return;
  MoveCursor(OffsetAt(event->position().toPoint()), true);
}

// A word: the run of characters around the click that are all spaces or all not.
void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (row_starts_.empty() || event->button() != Qt::LeftButton) return;
  const std::string_view text = Shown();
  std::size_t at = OffsetAt(event->position().toPoint());
  if (at == text.size() || (at > 0 && text[at] == '\r')) {
    if (at == 0) return;
    --at;  // past the end of a line: the word it ends with
  }
  const bool space = IsSpace(text[at]);
  std::size_t begin = at;
  while (begin > 0 && IsSpace(text[begin - 1]) == space && text[begin - 1] != '\n') --begin;
  std::size_t end = at + 1;
  while (end < text.size() && IsSpace(text[end]) == space && text[end] != '\r' &&
         text[end] != '\n') {
    ++end;
  }
  anchor_ = begin;
  cursor_ = end;
  RestartBlink();
}

void TextView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("&Copiar"));
  copy->setEnabled(anchor_ != cursor_);
  QAction* select_all = menu.addAction(QStringLiteral("Seleccionar &todo"));
  select_all->setEnabled(!Shown().empty());
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == copy) Copy();
  if (chosen == select_all) SelectAll();
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

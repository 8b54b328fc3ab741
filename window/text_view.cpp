#include "window/text_view.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <array>
#include <cstring>

#include "conversion/code_page.h"

namespace tarvex {

namespace {

constexpr int kMargin = 3;

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
}

void TextView::SetSource(const std::string* text) {
  source_ = text;
  Refresh();
}

void TextView::Refresh() {
  size_ = source_ != nullptr ? source_->size() : 0;
  anchor_ = cursor_ = 0;
  // The widest character the text uses sets how many fit in a row.
  std::array<bool, 256> seen{};
  for (const char c : Shown()) seen[static_cast<unsigned char>(c)] = true;
  const QFontMetrics metrics(font());
  const auto& table = CodePageTable();
  max_advance_ = 1;
  for (int b = 0; b < 256; ++b) {
    if (seen[static_cast<std::size_t>(b)] && b != '\r' && b != '\n') {
      max_advance_ = std::max(max_advance_,
                              metrics.horizontalAdvance(QChar(table[static_cast<std::size_t>(b)])));
    }
  }
  Layout();
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

std::string_view TextView::Shown() const {
  if (source_ == nullptr) return {};
  return {source_->data(), std::min(size_, source_->size())};
}

void TextView::Layout() {
  const int scroll_bar = verticalScrollBar()->sizeHint().width();
  const int width = maximumViewportSize().width() - scroll_bar - 2 * kMargin;
  chars_per_row_ = static_cast<std::size_t>(std::max(1, width / max_advance_));
  row_starts_.clear();
  const std::string_view text = Shown();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const void* hit = std::memchr(text.data() + pos, '\n', text.size() - pos);
    const std::size_t line_end =
        hit != nullptr ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
                       : text.size();
    std::size_t text_end = line_end;
    if (hit != nullptr && text_end > pos && text[text_end - 1] == '\r') --text_end;
    const std::size_t rows =
        std::max<std::size_t>(1, (text_end - pos + chars_per_row_ - 1) / chars_per_row_);
    for (std::size_t k = 0; k < rows; ++k) row_starts_.push_back(pos + k * chars_per_row_);
    pos = hit != nullptr ? line_end + 1 : text.size();
  }
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
  const QString text = DecodeWindows1252(RowText(r));
  const QFontMetrics metrics(font());
  int x = kMargin;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const int advance = metrics.horizontalAdvance(text[i]);
    if (point.x() < x + advance / 2) return row_starts_[r] + static_cast<std::size_t>(i);
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
  const std::size_t shown = Shown().size();
  for (std::size_t row = first; row < last; ++row) {
    const int top = static_cast<int>(row - first) * line_height;
    const std::size_t start = std::min(row_starts_[row], shown);
    const std::size_t end = RowEnd(row);
    const QString text = DecodeWindows1252(RowText(row));
    const QPoint baseline(kMargin, top + metrics.ascent());
    painter.setPen(pal.color(QPalette::Text));
    painter.drawText(baseline, text);
    // The selected part of the row, a line end included as a little space.
    const std::size_t a = std::max(sel_begin, start);
    const std::size_t b = std::min(sel_end, end);
    const bool line_end_selected = sel_end > end && sel_begin <= end && end < shown;
    if (a < b || line_end_selected) {
      const int x1 = kMargin + metrics.horizontalAdvance(
                                   text.left(static_cast<qsizetype>(std::min(a, end) - start)));
      int x2 = kMargin +
               metrics.horizontalAdvance(text.left(static_cast<qsizetype>(std::max(b, a) - start)));
      if (line_end_selected)
        x2 =
            kMargin + metrics.horizontalAdvance(text) + metrics.horizontalAdvance(QLatin1Char(' '));
      const QRect band(x1, top, std::max(0, x2 - x1), line_height);
      painter.fillRect(band, pal.brush(QPalette::Highlight));
      painter.save();
      painter.setClipRect(band);
      painter.setPen(pal.color(QPalette::HighlightedText));
      painter.drawText(baseline, text);
      painter.restore();
    }
    // The caret, while the box has the focus.
    if (hasFocus() && cursor_ >= start && cursor_ <= end && RowOf(cursor_) == row) {
      const int x =
          kMargin + metrics.horizontalAdvance(text.left(static_cast<qsizetype>(cursor_ - start)));
      painter.setPen(pal.color(QPalette::Text));
      painter.drawLine(x, top + 1, x, top + line_height - 2);
    }
  }
}

void TextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Layout();
}

void TextView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) Refresh();
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
  viewport()->update();
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

void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (row_starts_.empty() || event->button() != Qt::LeftButton) return;
  const std::size_t row = RowOf(OffsetAt(event->position().toPoint()));
  anchor_ = std::min(row_starts_[row], Shown().size());
  cursor_ = RowEnd(row);
  viewport()->update();
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
  viewport()->update();
}

void TextView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

}  // namespace tarvex

#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <initializer_list>

namespace tarvex {

namespace {

constexpr qreal kDesign = 64.0;  // the drawings are laid out on a 64 x 64 grid
constexpr int kSmallest = 32;    // below this, the digits are left out

const QColor kInColor(30, 160, 60);
const QColor kOutColor(200, 40, 40);
const QColor kLitSegment(120, 240, 140);

// A line no thinner than one device pixel, so small sizes keep their edges.
qreal Stroke(qreal design_width, qreal s) {
  return std::max(design_width * s, 1.0);
}

void Arrow(QPainter& painter, QPointF from, QPointF to, const QColor& color, qreal width) {
  painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawLine(from, QPointF(to.x() - (to.x() > from.x() ? width : -width), to.y()));
  const qreal dir = to.x() > from.x() ? 1.0 : -1.0;
  QPainterPath head;
  head.moveTo(to);
  head.lineTo(to.x() - dir * width * 2.2, to.y() - width * 1.6);
  head.lineTo(to.x() - dir * width * 2.2, to.y() + width * 1.6);
  head.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  painter.drawPath(head);
}

// One segment of a seven-segment digit: a bar with pointed ends from `a` to `b` (a
// horizontal or a vertical line), `t` thick.
void AddSegment(QPainterPath& path, QPointF a, QPointF b, qreal t) {
  const qreal h = t / 2;
  if (a.y() == b.y()) {
    path.moveTo(a);
    path.lineTo(a.x() + h, a.y() - h);
    path.lineTo(b.x() - h, b.y() - h);
    path.lineTo(b);
    path.lineTo(b.x() - h, b.y() + h);
    path.lineTo(a.x() + h, a.y() + h);
  } else {
    path.moveTo(a);
    path.lineTo(a.x() + h, a.y() + h);
    path.lineTo(b.x() + h, b.y() - h);
    path.lineTo(b);
    path.lineTo(b.x() - h, b.y() - h);
    path.lineTo(a.x() - h, a.y() + h);
  }
  path.closeSubpath();
}

// Seven-segment digits in a cell `width` x `height` at `origin`, segments `t` thick. Each
// digit is the set of its lit segments, a to g: top, top right, bottom right, bottom,
// bottom left, top left, middle.
QPainterPath SegmentDigits(const char* digits, QPointF origin, qreal width, qreal height,
                           qreal spacing, qreal t) {
  static constexpr unsigned char kLit[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                             0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  QPainterPath path;
  const qreal gap = t * 0.08;
  for (int i = 0; digits[i] != '\0'; ++i) {
    const qreal left = origin.x() + i * (width + spacing) + t / 2;
    const qreal right = left + width - t;
    const qreal top = origin.y() + t / 2;
    const qreal bottom = origin.y() + height - t / 2;
    const qreal middle = (top + bottom) / 2;
    const QPointF ends[7][2] = {
        {{left + gap, top}, {right - gap, top}},
        {{right, top + gap}, {right, middle - gap}},
        {{right, middle + gap}, {right, bottom - gap}},
        {{left + gap, bottom}, {right - gap, bottom}},
        {{left, middle + gap}, {left, bottom - gap}},
        {{left, top + gap}, {left, middle - gap}},
        {{left + gap, middle}, {right - gap, middle}},
    };
    const unsigned lit = kLit[digits[i] - '0'];
    for (int segment = 0; segment < 7; ++segment) {
      if ((lit >> segment) & 1U) AddSegment(path, ends[segment][0], ends[segment][1], t);
    }
  }
  return path;
}

QPixmap Draw(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  PaintTarvexIcon(painter, size);
  return pixmap;
}

}  // namespace

void PaintTarvexIcon(QPainter& painter, qreal size) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / kDesign;
  // The counter's body and its display.
  painter.setPen(QPen(QColor(40, 48, 60), Stroke(2, s)));
  painter.setBrush(QColor(92, 108, 128));
  painter.drawRoundedRect(QRectF(14 * s, 6 * s, 36 * s, 52 * s), 6 * s, 6 * s);
  painter.setBrush(QColor(20, 30, 24));
  painter.drawRect(QRectF(19 * s, 12 * s, 26 * s, 14 * s));
  if (size >= kSmallest) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kLitSegment);
    painter.drawPath(
        SegmentDigits("123", QPointF(21 * s, 14 * s), 6.5 * s, 10 * s, 1.25 * s, 2.0 * s));
  }
  // In (green, pointing into the counter) and out (red, pointing away).
  Arrow(painter, QPointF(2 * s, 36 * s), QPointF(30 * s, 36 * s), kInColor, Stroke(4, s));
  Arrow(painter, QPointF(34 * s, 48 * s), QPointF(62 * s, 48 * s), kOutColor, Stroke(4, s));
  painter.restore();
}

void PaintDownloadIcon(QPainter& painter, qreal size) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / kDesign;
  // The page, its top right corner folded.
  constexpr qreal kLeft = 10, kTop = 4, kRight = 54, kBottom = 60, kFold = 14;
  QPainterPath page;
  page.moveTo(kLeft * s, kTop * s);
  page.lineTo((kRight - kFold) * s, kTop * s);
  page.lineTo(kRight * s, (kTop + kFold) * s);
  page.lineTo(kRight * s, kBottom * s);
  page.lineTo(kLeft * s, kBottom * s);
  page.closeSubpath();
  painter.setPen(
      QPen(QColor(110, 118, 128), Stroke(2, s), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.setBrush(QColor(250, 250, 248));
  painter.drawPath(page);
  QPainterPath fold;
  fold.moveTo((kRight - kFold) * s, kTop * s);
  fold.lineTo((kRight - kFold) * s, (kTop + kFold) * s);
  fold.lineTo(kRight * s, (kTop + kFold) * s);
  fold.closeSubpath();
  painter.setBrush(QColor(214, 218, 224));
  painter.drawPath(fold);
  // The download's one line of digits.
  if (size >= kSmallest) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(60, 68, 80));
    painter.drawPath(
        SegmentDigits("0471", QPointF(15 * s, 21 * s), 5.5 * s, 9 * s, 1.5 * s, 1.8 * s));
  }
  // In and out, as on the application icon.
  Arrow(painter, QPointF(14 * s, 40 * s), QPointF(36 * s, 40 * s), kInColor, Stroke(4, s));
  Arrow(painter, QPointF(28 * s, 52 * s), QPointF(50 * s, 52 * s), kOutColor, Stroke(4, s));
  painter.restore();
}

QIcon TarvexIcon() {
  QIcon icon;
  for (int size : kIconSizes) icon.addPixmap(Draw(size));
  return icon;
}

}  // namespace tarvex

#include "window/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tarvex {

namespace {

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

QPixmap Draw(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  PaintTarvexIcon(painter, size);
  return pixmap;
}

}  // namespace

void PaintTarvexIcon(QPainter& painter, qreal size) {
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 64.0;
  // The counter's body and its display.
  painter.setPen(QPen(QColor(40, 48, 60), 2 * s));
  painter.setBrush(QColor(92, 108, 128));
  painter.drawRoundedRect(QRectF(14 * s, 6 * s, 36 * s, 52 * s), 6 * s, 6 * s);
  painter.setBrush(QColor(20, 30, 24));
  const QRectF display(19 * s, 12 * s, 26 * s, 14 * s);
  painter.drawRect(display);
  // The digits as outlines, so the drawing is the same wherever it is shown, whatever fonts
  // are installed there.
  QFont digits = painter.font();
  digits.setPixelSize(static_cast<int>(11 * s));
  digits.setBold(true);
  QPainterPath text;
  text.addText(0, 0, digits, QStringLiteral("123"));
  const QRectF box = text.boundingRect();
  text.translate(display.center() - box.center());
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(120, 240, 140));
  painter.drawPath(text);
  // In (green, pointing into the counter) and out (red, pointing away).
  Arrow(painter, QPointF(2 * s, 36 * s), QPointF(30 * s, 36 * s), QColor(30, 160, 60), 4 * s);
  Arrow(painter, QPointF(34 * s, 48 * s), QPointF(62 * s, 48 * s), QColor(200, 40, 40), 4 * s);
}

QIcon TarvexIcon() {
  QIcon icon;
  icon.addPixmap(Draw(48));
  icon.addPixmap(Draw(64));
  return icon;
}

}  // namespace tarvex

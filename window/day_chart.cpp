#include "window/day_chart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace tarvex {

namespace {

const QColor kEntries(30, 160, 60);
const QColor kExits(200, 40, 40);

}  // namespace

DayChart::DayChart(QWidget* parent) : QWidget(parent) {
  setAccessibleName(QStringLiteral("Gráfico del día"));
  setAccessibleDescription(
      QStringLiteral("Entradas y salidas por hora y ocupación del día elegido en la tabla, "
                     "que da los mismos datos"));
}

void DayChart::SetDay(const std::optional<DayCounts>& day) {
  day_ = day;
  update();
}

QSize DayChart::minimumSizeHint() const {
  return {fontMetrics().horizontalAdvance(QStringLiteral("00")) * 26, fontMetrics().height() * 8};
}

QSize DayChart::sizeHint() const {
  return minimumSizeHint() * 3 / 2;
}

void DayChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  if (!day_) return;
  const QFontMetrics metrics = fontMetrics();
  const int label_width = metrics.horizontalAdvance(QStringLiteral("-0000")) + 4;
  // Room at the right for half of the last hour's label, centred under the axis's end.
  const int right_room = metrics.horizontalAdvance(QStringLiteral("24")) / 2 + 4;
  const QRect area =
      rect().adjusted(label_width, metrics.height(), -right_room, -metrics.height() - 4);
  if (area.width() < 24 || area.height() < 8) return;
  // The scale: the busiest hour, and the occupancy's range with 0 in it.
  int busiest = 1;
  int low = 0, high = 1;
  for (int hour = 0; hour < 24; ++hour) {
    int entries = 0, exits = 0;
    for (int q = hour * 4; q < hour * 4 + 4; ++q) {
      entries += day_->quarters[static_cast<std::size_t>(q)].entries;
      exits += day_->quarters[static_cast<std::size_t>(q)].exits;
    }
    busiest = std::max({busiest, entries, exits});
  }
  for (const Quarter& quarter : day_->quarters) {
    low = std::min(low, quarter.occupancy);
    high = std::max(high, quarter.occupancy);
  }
  const qreal hour_width = area.width() / 24.0;
  const auto bar_top = [&](int count) {
    return area.bottom() - area.height() * static_cast<qreal>(count) / busiest;
  };
  painter.setPen(Qt::NoPen);
  for (int hour = 0; hour < 24; ++hour) {
    int entries = 0, exits = 0;
    for (int q = hour * 4; q < hour * 4 + 4; ++q) {
      entries += day_->quarters[static_cast<std::size_t>(q)].entries;
      exits += day_->quarters[static_cast<std::size_t>(q)].exits;
    }
    const qreal left = area.left() + hour * hour_width + hour_width * 0.1;
    const qreal bar = hour_width * 0.4;
    painter.setBrush(kEntries);
    painter.drawRect(QRectF(left, bar_top(entries), bar, area.bottom() - bar_top(entries)));
    painter.setBrush(kExits);
    painter.drawRect(QRectF(left + bar, bar_top(exits), bar, area.bottom() - bar_top(exits)));
  }
  // The occupancy, on its own scale.
  const auto occupancy_y = [&](int value) {
    return area.bottom() - area.height() * static_cast<qreal>(value - low) / (high - low);
  };
  QPainterPath line;
  line.moveTo(area.left(), occupancy_y(day_->quarters.front().occupancy));
  for (int q = 0; q < kQuartersADay; ++q) {
    line.lineTo(area.left() + area.width() * (q + 1) / static_cast<qreal>(kQuartersADay),
                occupancy_y(day_->quarters[static_cast<std::size_t>(q)].occupancy));
  }
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(palette().text().color(), 2));
  painter.drawPath(line);
  // Axes: the hours below, the busiest hour's count and the occupancy's range at the left.
  painter.setPen(palette().text().color());
  painter.drawLine(area.bottomLeft(), area.bottomRight());
  for (int hour = 0; hour <= 24; hour += 6) {
    const int x = area.left() + static_cast<int>(hour * hour_width);
    painter.drawText(QRect(x - 20, area.bottom() + 2, 40, metrics.height()), Qt::AlignCenter,
                     QString::number(hour));
  }
  painter.drawText(QRect(0, area.top() - metrics.height() / 2, label_width - 4, metrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(busiest));
  painter.drawText(QRect(0, 0, width(), metrics.height()), Qt::AlignCenter,
                   QStringLiteral("Vehículos por hora (entradas, salidas) y ocupación (%1 a %2)")
                       .arg(low)
                       .arg(high));
}

}  // namespace tarvex

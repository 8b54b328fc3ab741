#include "window/day_chart.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "analysis/day_figures.h"
#include "textbox/text_view.h"
#include "window/window_constants.h"

namespace tarvex {

namespace {

const QColor kEntries(30, 160, 60);
const QColor kExits(200, 40, 40);

QString HourText(int hour) {
  return QStringLiteral("%1:00-%2:00")
      .arg(hour, 2, 10, QLatin1Char('0'))
      .arg(hour + 1, 2, 10, QLatin1Char('0'));
}

// The chart is a picture for assistive technology (a chart), not a blank filler; its name
// and description are the widget's.
QAccessibleInterface* AccessibleChart(const QString&, QObject* object) {
  auto* chart = qobject_cast<DayChart*>(object);
  return chart != nullptr ? new QAccessibleWidget(chart, QAccessible::Chart) : nullptr;
}

}  // namespace

void DayHoursModel::SetDay(const std::optional<DayCounts>& day, const QString& title) {
  title_ = title;
  Show(day ? std::optional(Hours(*day)) : std::nullopt, false);
}

void DayHoursModel::SetAverage(const AverageDay& average, const QString& title, char decimal) {
  title_ = title;
  decimal_ = decimal;
  if (average.days == 0) return Show(std::nullopt, true);
  const AverageMeans means = MeansOf(average);
  std::array<Quarter, 24> hours;
  for (std::size_t hour = 0; hour < 24; ++hour) {
    hours[hour] = {static_cast<int>(means.hours[hour][kEntryFlow]),
                   static_cast<int>(means.hours[hour][kExitFlow]),
                   static_cast<int>(means.hours[hour][kBothFlows])};
  }
  Show(hours, true);
}

// From one day to another the cells change in place, so that a screen reader keeps its
// place in the table; a day that comes or goes brings or takes the rows.
void DayHoursModel::Show(const std::optional<std::array<Quarter, 24>>& hours, bool average) {
  const bool header = average != average_;
  average_ = average;
  if (header) emit headerDataChanged(Qt::Horizontal, kOccupancy, kOccupancy);
  if (hours_ && hours) {
    hours_ = hours;
    emit dataChanged(index(0, 0), index(23, kColumns - 1));
  } else if (hours) {
    beginInsertRows(QModelIndex(), 0, 23);
    hours_ = hours;
    endInsertRows();
  } else if (hours_) {
    beginRemoveRows(QModelIndex(), 0, 23);
    hours_.reset();
    endRemoveRows();
  } else {  // the title changed: the chart tells it
    beginResetModel();
    endResetModel();
  }
}

int DayHoursModel::Value(int hour, Column column) const {
  const Quarter& counts = (*hours_)[static_cast<std::size_t>(hour)];
  return column == kEntries ? counts.entries : column == kExits ? counts.exits : counts.occupancy;
}

QString DayHoursModel::Text(int value) const {
  return average_ ? DecodeWindows1252(TenthsText(value, decimal_)) : QString::number(value);
}

int DayHoursModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !hours_ ? 0 : 24;
}

int DayHoursModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant DayHoursModel::data(const QModelIndex& index, int role) const {
  if (!hours_ || !index.isValid()) return {};
  const auto column = static_cast<Column>(index.column());
  if (role == Qt::TextAlignmentRole && column != kHour) {
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (role == Qt::DisplayRole) {
    return column == kHour ? HourText(index.row()) : Text(Value(index.row(), column));
  }
  if (role == kValueRole && column != kHour) return Value(index.row(), column);
  return {};
}

QVariant DayHoursModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return HourText(section);
  if (section < 0 || section >= kColumns) return {};
  return tr(average_ && section == kOccupancy ? kAverageTotalColumn : kHourColumns[section]);
}

DayChart::DayChart(const DayHoursModel* hours, QWidget* parent) : QWidget(parent), hours_(hours) {
  static const bool installed = (QAccessible::installFactory(AccessibleChart), true);
  (void)installed;
  setAccessibleName(tr(kChartName));
  const auto changed = [this] {
    Describe();
    update();
  };
  connect(hours_, &QAbstractItemModel::dataChanged, this, changed);
  connect(hours_, &QAbstractItemModel::rowsInserted, this, changed);
  connect(hours_, &QAbstractItemModel::rowsRemoved, this, changed);
  connect(hours_, &QAbstractItemModel::modelReset, this, changed);
  Describe();
}

DayChart::Scale DayChart::MakeScale() const {
  Scale scale;
  if (hours_->Average()) scale.busiest = 10;  // a mean of 1,0 at least
  for (int hour = 0; hour < hours_->rowCount(); ++hour) {
    scale.busiest = std::max({scale.busiest, hours_->Value(hour, DayHoursModel::kEntries),
                              hours_->Value(hour, DayHoursModel::kExits)});
    scale.low = std::min(scale.low, hours_->Value(hour, DayHoursModel::kOccupancy));
    scale.high = std::max(scale.high, hours_->Value(hour, DayHoursModel::kOccupancy));
  }
  return scale;
}

// What the picture shows, for assistive technology: the legend and both scales; the values
// are in the hours table.
void DayChart::Describe() {
  if (hours_->rowCount() == 0) {
    setAccessibleDescription(hours_->Title().isEmpty() ? tr("Ningún día elegido")
                                                       : hours_->Title());
    return;
  }
  const Scale scale = MakeScale();
  const QString values = tr("Los valores están en la tabla Horas del día.");
  if (hours_->Average()) {
    setAccessibleDescription(
        tr("%1. Media de entradas (barras verdes lisas) y de salidas (barras rojas rayadas) de "
           "cada hora, en el eje de la izquierda, vehículos por hora de 0 a %2. %3")
            .arg(hours_->Title(), hours_->Text(scale.busiest), values));
    return;
  }
  setAccessibleDescription(
      tr("%1. Entradas (barras verdes lisas) y salidas (barras rojas rayadas) de cada hora, en "
         "el eje de la izquierda, vehículos por hora de 0 a %2; ocupación al final de cada hora "
         "(escalones), en el eje de la derecha, de %3 a %4. %5")
          .arg(hours_->Title(), QString::number(scale.busiest), QString::number(scale.low),
               QString::number(scale.high), values));
}

QSize DayChart::minimumSizeHint() const {
  // Little: the tables beside it come first.
  return {fontMetrics().horizontalAdvance(QStringLiteral("00")) * 8, fontMetrics().height() * 3};
}

QSize DayChart::sizeHint() const {
  return {fontMetrics().horizontalAdvance(QStringLiteral("00")) * 26, fontMetrics().height() * 12};
}

void DayChart::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) updateGeometry();
  QWidget::changeEvent(event);
}

void DayChart::paintEvent(QPaintEvent*) {
  labels_.clear();
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  if (hours_->rowCount() == 0) return;
  const QFontMetrics metrics = fontMetrics();
  const int line = metrics.height();
  const QColor ink = palette().text().color();
  const QBrush hatched(kExits, Qt::BDiagPattern);
  const QPen outline(kExits, 1);

  // The legend, its entries one after another, a new row where the width ends; each entry
  // is named as the hours table's column.
  struct Entry {
    QString text;
    int kind;  // 0 entries, 1 exits, 2 occupancy
  };
  const auto column = [this](DayHoursModel::Column column) {
    return hours_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  };
  const Entry legend[] = {{column(DayHoursModel::kEntries), 0},
                          {column(DayHoursModel::kExits), 1},
                          {column(DayHoursModel::kOccupancy), 2}};
  const bool average = hours_->Average();
  const int swatch = line * 3 / 2;
  int x = 4, y = 2;
  // What is drawn: the day or the average day, above the legend.
  painter.setPen(ink);
  painter.drawText(QRect(4, y, width() - 8, line), Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(hours_->Title(), Qt::ElideRight, width() - 8));
  y += line;
  for (const Entry& entry : legend) {
    if (average && entry.kind == 2) continue;
    const int width = swatch + 4 + metrics.horizontalAdvance(entry.text) + line;
    if (x > 4 && x + width > this->width()) {
      x = 4;
      y += line;
    }
    const QRectF box(x, y + line * 0.2, swatch, line * 0.6);
    if (entry.kind == 0) painter.fillRect(box, kEntries);
    if (entry.kind == 1) {
      painter.setPen(outline);
      painter.setBrush(hatched);
      painter.drawRect(box);
    }
    if (entry.kind == 2) {
      painter.setPen(QPen(ink, 2));
      painter.drawPolyline(QPolygonF(
          {QPointF(x, y + line * 0.7), QPointF(x + swatch / 2, y + line * 0.7),
           QPointF(x + swatch / 2, y + line * 0.3), QPointF(x + swatch, y + line * 0.3)}));
    }
    painter.setPen(ink);
    painter.drawText(QRect(x + swatch + 4, y, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                     entry.text);
    x += width;
  }
  y += line;

  // The axes' titles above them, and their scales beside them.
  const Scale scale = MakeScale();
  const QString bars_title = tr("Vehículos por hora");
  const QString occupancy_title = average ? QString() : tr("Ocupación");
  const bool one_row = metrics.horizontalAdvance(bars_title + QStringLiteral("    ") +
                                                 occupancy_title) <= width() - 8;
  painter.drawText(QRect(4, y, width() - 8, line), Qt::AlignLeft | Qt::AlignVCenter, bars_title);
  if (!one_row) y += line;
  painter.drawText(QRect(4, y, width() - 8, line), Qt::AlignRight | Qt::AlignVCenter,
                   occupancy_title);
  y += line + line / 2;
  QList<int> occupancy_ticks;
  if (!average) occupancy_ticks = {scale.low, scale.high};
  if (!average && scale.low < 0) occupancy_ticks << 0;
  int left_room = 0, right_room = 0;
  for (const int value : {0, scale.busiest}) {
    left_room = std::max(left_room, metrics.horizontalAdvance(hours_->Text(value)));
  }
  for (const int value : occupancy_ticks) {
    right_room = std::max(right_room, metrics.horizontalAdvance(QString::number(value)));
  }
  const QRect area(left_room + 8, y, width() - left_room - right_room - 16,
                   height() - y - line - line / 2 - 4);
  if (area.width() < 24 || area.height() < line) return;
  const qreal hour_width = area.width() / 24.0;
  const auto bar_y = [&](int count) {
    return area.bottom() - area.height() * static_cast<qreal>(count) / scale.busiest;
  };
  const auto occupancy_y = [&](int value) {
    return area.bottom() -
           area.height() * static_cast<qreal>(value - scale.low) / (scale.high - scale.low);
  };

  // The bars: entries plain, exits hatched, so that they differ by more than their colour.
  for (int hour = 0; hour < 24; ++hour) {
    const qreal left = area.left() + hour * hour_width + hour_width * 0.1;
    const qreal bar = hour_width * 0.4;
    const int entries = hours_->Value(hour, DayHoursModel::kEntries);
    const int exits = hours_->Value(hour, DayHoursModel::kExits);
    painter.fillRect(QRectF(left, bar_y(entries), bar, area.bottom() - bar_y(entries)), kEntries);
    if (exits > 0) {
      painter.setPen(outline);
      painter.setBrush(hatched);
      painter.drawRect(QRectF(left + bar, bar_y(exits), bar, area.bottom() - bar_y(exits)));
    }
  }
  // The occupancy as the steps it takes: each hour at its value at the hour's end.
  QPainterPath steps;
  for (int hour = 0; hour < 24 && !average; ++hour) {
    const qreal level = occupancy_y(hours_->Value(hour, DayHoursModel::kOccupancy));
    const QPointF start(area.left() + hour * hour_width, level);
    if (hour == 0) {
      steps.moveTo(start);
    } else {
      steps.lineTo(start);
    }
    steps.lineTo(start.x() + hour_width, level);
  }
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(ink, 2));
  painter.drawPath(steps);

  // The axes: the hours below, the bars' scale at the left and the occupancy's at the right.
  painter.setPen(ink);
  painter.drawLine(area.bottomLeft(), area.bottomRight());
  painter.drawLine(area.topLeft(), area.bottomLeft());
  if (!average) painter.drawLine(area.topRight(), area.bottomRight());
  const auto label = [&](int axis, QRect box, int flags, int value) {
    const QString text = axis == 1 ? hours_->Text(value) : QString::number(value);
    for (const Label& drawn : labels_) {
      if (drawn.box.intersects(box)) return;
    }
    painter.drawText(box, flags, text);
    labels_.push_back({axis, text, box});
  };
  for (const int value : {0, scale.busiest}) {
    const int at = static_cast<int>(bar_y(value));
    label(1, QRect(4, at - line / 2, left_room, line), Qt::AlignRight | Qt::AlignVCenter, value);
  }
  for (const int value : occupancy_ticks) {
    const int at = static_cast<int>(occupancy_y(value));
    label(2, QRect(area.right() + 6, at - line / 2, right_room, line),
          Qt::AlignLeft | Qt::AlignVCenter, value);
  }
  for (const int hour : {0, 24, 6, 12, 18}) {
    const int at = area.left() + static_cast<int>(hour * hour_width);
    const int room = metrics.horizontalAdvance(QString::number(hour)) + line / 2;
    label(0, QRect(at - room / 2, area.bottom() + line / 2 + 2, room, line), Qt::AlignCenter, hour);
  }
}

}  // namespace tarvex

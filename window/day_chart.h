#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <array>
#include <optional>

#include "analysis/count_analysis.h"

namespace tarvex {

// The 24 hours of the day chosen in Resumen, a row each: "Hora" (00:00-01:00 to
// 23:00-24:00), "Entradas", "Salidas" and "Ocupación al final de la hora"; or of an average
// day, the means of its hours with one decimal: "Hora", "Entradas", "Salidas" and "Total".
// The hours table shows it and the chart draws it: one source for the picture and its text.
// No day: no rows.
class DayHoursModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kHour, kEntries, kExits, kOccupancy, kColumns };
  // The count itself, as a number, in each count's cell (a mean in tenths).
  static constexpr int kValueRole = Qt::UserRole;

  using QAbstractTableModel::QAbstractTableModel;
  // A day, or none; `title` names what is shown ("lunes 23/11/2026"), or why nothing is.
  void SetDay(const std::optional<DayCounts>& day, const QString& title = QString());
  // An average day (no rows when it has no day), its means with `decimal` as separator.
  void SetAverage(const AverageDay& average, const QString& title, char decimal);
  // A count, or of an average day a mean in tenths (its kOccupancy column the total's).
  int Value(int hour, Column column) const;
  // A value of Value() as the table shows it.
  QString Text(int value) const;
  bool Average() const { return average_; }
  const QString& Title() const { return title_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  void Show(const std::optional<std::array<Quarter, 24>>& hours, bool average);

  std::optional<std::array<Quarter, 24>> hours_;
  bool average_ = false;
  char decimal_ = '.';
  QString title_;
};

// The hours of the model as a picture, under the model's title: for each hour, the entries
// (plain green bars) and the exits (hatched red bars) side by side on the left axis, and the
// occupancy at the end of each hour as steps on the right axis (an average day has no
// occupancy: bars alone, of its means), with a legend. Drawn with QPainter; its description
// for assistive technology gives the title, the legend and the scales, and the hours table
// the values.
class DayChart : public QWidget {
  Q_OBJECT

 public:
  DayChart(const DayHoursModel* hours, QWidget* parent);
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

  // A number of a scale as last drawn: its axis (0 the hours, 1 the bars', 2 the occupancy's),
  // its text and the box it takes. A number that would overlap one already drawn is left out;
  // the scales' ends are drawn first, the hours' after them.
  struct Label {
    int axis;
    QString text;
    QRect box;
  };
  const QList<Label>& Labels() const { return labels_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Scale {
    int busiest = 1;  // the bars' axis, from 0
    int low = 0;      // the occupancy's, 0 in it
    int high = 1;
  };
  Scale MakeScale() const;
  void Describe();

  const DayHoursModel* hours_;
  QList<Label> labels_;
};

}  // namespace tarvex

#pragma once

#include <QWidget>
#include <optional>

#include "analysis/count_analysis.h"

namespace tarvex {

// The traffic of one day as a picture: for each hour, the entries (green) and the exits (red)
// side by side, and over them the occupancy at the end of each quarter (a line). Drawn with
// QPainter; its text alternative is the table of days beside it.
class DayChart : public QWidget {
 public:
  explicit DayChart(QWidget* parent = nullptr);
  void SetDay(const std::optional<DayCounts>& day);
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<DayCounts> day_;
};

}  // namespace tarvex

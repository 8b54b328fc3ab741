#include "window/summary_window.h"

#include <QAccessible>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimeEdit>
#include <algorithm>
#include <new>
#include <optional>

#include "analysis/day_figures.h"
#include "analysis/output_format.h"
#include "analysis/summary_text.h"
#include "analysis/workbook.h"
#include "base/replace_file.h"
#include "textbox/text_view.h"
#include "window/common_dialog.h"
#include "window/day_chart.h"
#include "window/window_constants.h"

namespace tarvex {

namespace {

// A caption for `buddy`, which takes its access key; the caption is also the name assistive
// technology gives the control (Qt takes a buddy's caption for some kinds of control only).
QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  buddy->setAccessibleName(label->text().remove(QLatin1Char('&')).remove(QLatin1Char(':')));
  return label;
}

// A table read a row at a time: Tab leaves it, the arrows move in it, and every row and
// column is as large as its text in the table's font.
void SetUpTable(QTableView* table) {
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setTabKeyNavigation(false);
  table->setWordWrap(false);
  table->verticalHeader()->hide();
  table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

// A caption over its control, one section of the splitter.
QWidget* Section(QLabel* caption, QWidget* control) {
  auto* section = new QWidget;
  auto* column = new QVBoxLayout(section);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(caption);
  column->addWidget(control, 1);
  return section;
}

// The height `table` needs for its header and its first `rows` rows.
int TableHeight(const QTableView* table, int rows) {
  int height = table->horizontalHeader()->sizeHint().height() + 2 * table->frameWidth();
  for (int row = 0; row < std::min(rows, table->model()->rowCount()); ++row) {
    height += table->verticalHeader()->sectionSize(row);
  }
  return height;
}

// Sets a cell's text, in the item it has: a table of many days is refilled in one pass (an
// item replaced is looked for among all the others), and a screen reader keeps its place.
void SetCell(QTableWidget* table, int row, int column, const QString& text, bool right) {
  QTableWidgetItem* item = table->item(row, column);
  if (item == nullptr) {
    item = new QTableWidgetItem;
    table->setItem(row, column, item);
  }
  item->setText(text);
  item->setTextAlignment(right ? Qt::AlignRight | Qt::AlignVCenter
                               : Qt::AlignLeft | Qt::AlignVCenter);
}

// A table of two rows, always whole: no vertical scroll bar, its height set to its rows
// (FitToScreen).
void SetUpFixedTable(QTableView* table) {
  SetUpTable(table);
  table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

}  // namespace

SummaryWindow::SummaryWindow(Platform& platform, ConversionSession& session,
                             const RegionalFormatter& forms, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), session_(session), forms_(forms) {
  setObjectName(QStringLiteral("Resumen"));
  setWindowTitle(tr(kSummaryTitle) + QString::fromUtf8(kAppTitle));
  identification = new QLabel(this);
  identification->setTextFormat(Qt::PlainText);
  identification->setWordWrap(true);
  const auto table = [this](const auto& captions, int rows) {
    auto* made = new QTableWidget(rows, static_cast<int>(std::size(captions)), this);
    QStringList columns;
    for (const char* column : captions) columns << tr(column);
    made->setHorizontalHeaderLabels(columns);
    return made;
  };
  daysTable = table(kDayColumns, 0);
  SetUpTable(daysTable);
  // Every row a line of the table's font: a period of decades is thousands of days, each not
  // measured on its own.
  daysTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  averagesTable = table(kAverageColumns, 2);
  SetUpFixedTable(averagesTable);
  dayHours = new DayHoursModel(this);
  hoursTable = new QTableView(this);
  hoursTable->setModel(dayHours);
  SetUpTable(hoursTable);
  chart = new DayChart(dayHours, this);
  peaksTable = table(kPeakColumns, static_cast<int>(std::size(kPeakRows)));
  SetUpTable(peaksTable);
  checksList = new QListWidget(this);
  occupancyStartBox = new QSpinBox(this);
  occupancyStartBox->setRange(0, kMostOccupancy);
  resetCheck = new QCheckBox(tr(kResetCaption), this);
  resetTimeEdit = new QTimeEdit(this);
  resetTimeEdit->setDisplayFormat(QStringLiteral("HH:mm"));
  resetTimeEdit->setAccessibleName(tr(kResetTimeName));
  resetTimeEdit->setEnabled(false);
  capacityCheck = new QCheckBox(tr(kCapacityCaption), this);
  capacityBox = new QSpinBox(this);
  capacityBox->setRange(1, kMostOccupancy);
  capacityBox->setAccessibleName(tr(kCapacityName));
  capacityBox->setEnabled(false);
  applyButton = new QPushButton(tr(kApplyButton), this);
  applyButton->setAutoDefault(true);
  applyButton->setAccessibleDescription(tr(kApplyDescription));
  applyButton->setToolTip(tr(kApplyDescription));
  exportChoice = new QComboBox(this);
  for (const char* kind : kExports) exportChoice->addItem(tr(kind));
  exportButton = new QPushButton(tr(kExportButton), this);
  exportButton->setAutoDefault(true);
  workbookButton = new QPushButton(tr(kWorkbookButton), this);
  workbookButton->setAutoDefault(true);
  closeButton = new QPushButton(tr(kCloseButton), this);
  closeButton->setAutoDefault(true);

  // Top to bottom: the identification; the days over the average days, the chosen day's
  // hours beside its chart, and the checks beside the day's peaks, sharing the height in a
  // splitter; the calibration; the export and Cerrar.
  auto* days = new QWidget;
  auto* days_column = new QVBoxLayout(days);
  days_column->setContentsMargins(0, 0, 0, 0);
  days_column->addWidget(Caption(tr(kDaysCaption), daysTable, this));
  days_column->addWidget(daysTable, 1);
  days_column->addWidget(Caption(tr(kAveragesCaption), averagesTable, this));
  days_column->addWidget(averagesTable);
  day_ = new QSplitter(Qt::Horizontal);
  day_->addWidget(Section(Caption(tr(kHoursCaption), hoursTable, this), hoursTable));
  day_->addWidget(chart);
  day_->setStretchFactor(1, 1);
  day_->setCollapsible(0, false);
  sections_ = new QSplitter(Qt::Vertical, this);
  sections_->addWidget(days);
  sections_->addWidget(day_);
  // The checks, and beside them the chosen day's peaks.
  auto* checks = new QWidget;
  auto* checks_row = new QHBoxLayout(checks);
  checks_row->setContentsMargins(0, 0, 0, 0);
  checks_row->addWidget(Section(Caption(tr(kChecksCaption), checksList, this), checksList), 1);
  checks_row->addWidget(Section(Caption(tr(kPeaksCaption), peaksTable, this), peaksTable), 0,
                        Qt::AlignTop);
  sections_->addWidget(checks);
  sections_->setStretchFactor(1, 1);
  sections_->setChildrenCollapsible(false);
  // The occupancy's calibration, its controls each named in full: no frame around them takes
  // the height the tables need.
  auto* grid = new QGridLayout;
  grid->addWidget(Caption(tr(kStartCaption), occupancyStartBox, this), 0, 0);
  grid->addWidget(occupancyStartBox, 0, 1);
  grid->addWidget(capacityCheck, 0, 2);
  grid->addWidget(capacityBox, 0, 3);
  grid->addWidget(resetCheck, 1, 0);
  grid->addWidget(resetTimeEdit, 1, 1);
  grid->addWidget(applyButton, 1, 3);
  grid->setColumnStretch(4, 1);
  auto* commands = new QHBoxLayout;
  commands->addWidget(Caption(tr(kExportCaption), exportChoice, this));
  commands->addWidget(exportChoice, 1);
  commands->addWidget(exportButton);
  commands->addWidget(workbookButton);
  commands->addWidget(closeButton);
  content_ = new QWidget;
  auto* column = new QVBoxLayout(content_);
  column->addWidget(identification);
  column->addWidget(sections_, 1);
  column->addLayout(grid);
  column->addLayout(commands);
  // On a screen too small for even the least of it, the whole scrolls: nothing is cut.
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(content_);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setFocusPolicy(Qt::NoFocus);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll_);
  QWidget* order[] = {daysTable,         averagesTable, hoursTable,    checksList,     peaksTable,
                      occupancyStartBox, resetCheck,    resetTimeEdit, capacityCheck,  capacityBox,
                      applyButton,       exportChoice,  exportButton,  workbookButton, closeButton};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  daysTable->setFocus();

  // The chart follows the table of days or of average days, whichever was chosen last.
  connect(daysTable, &QTableWidget::currentCellChanged, this, [this](int row) { ShowDay(row); });
  connect(averagesTable, &QTableWidget::currentCellChanged, this,
          [this](int row) { ShowAverage(row); });
  daysTable->installEventFilter(this);
  averagesTable->installEventFilter(this);
  connect(resetCheck, &QCheckBox::toggled, resetTimeEdit, &QWidget::setEnabled);
  connect(capacityCheck, &QCheckBox::toggled, capacityBox, &QWidget::setEnabled);
  connect(applyButton, &QPushButton::clicked, this, [this] { applyCalibration(); });
  connect(exportButton, &QPushButton::clicked, this, [this] { exportTable(); });
  connect(workbookButton, &QPushButton::clicked, this, [this] { exportWorkbook(); });
  connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);
}

// The calibration is remembered per counter, by the bytes of its serial number.
QString SummaryWindow::SettingsGroup() const {
  const QByteArray serial = QByteArray::fromStdString(session_.State().SerialNumber).toHex();
  return QStringLiteral("calibration/") +
         (serial.isEmpty() ? QStringLiteral("none") : QString::fromLatin1(serial));
}

void SummaryWindow::Refresh() {
  // The calibration last applied to this counter, where one was and reads.
  Calibration remembered;
  {
    QSettings settings(QSettings::UserScope, QCoreApplication::applicationName());
    settings.setFallbacksEnabled(false);
    settings.beginGroup(SettingsGroup());
    bool ok = false;
    const int start = settings.value(QStringLiteral("start")).toInt(&ok);
    if (ok && start >= 0 && start <= kMostOccupancy) remembered.start = start;
    const QTime reset = QTime::fromString(settings.value(QStringLiteral("reset")).toString(),
                                          QStringLiteral("HH:mm"));
    if (reset.isValid()) remembered.reset_minute = reset.hour() * 60 + reset.minute();
    const int capacity = settings.value(QStringLiteral("capacity")).toInt(&ok);
    if (ok && capacity >= 1 && capacity <= kMostOccupancy) remembered.capacity = capacity;
  }
  ShowCalibration(remembered);
  analysis_ = AnalyzeSession(session_, remembered);
  calibration_ = remembered;
  average_ = -1;
  ShowAnalysis(false);  // a new download: its first day
  if (!isVisible()) FitToScreen();
}

void SummaryWindow::ShowCalibration(const Calibration& calibration) {
  occupancyStartBox->setValue(calibration.start);
  resetCheck->setChecked(calibration.reset_minute.has_value());
  const int minute = calibration.reset_minute.value_or(0);
  resetTimeEdit->setTime(QTime(minute / 60, minute % 60));
  capacityCheck->setChecked(calibration.capacity.has_value());
  capacityBox->setValue(calibration.capacity.value_or(capacityBox->value()));
}

Calibration SummaryWindow::ChosenCalibration() const {
  Calibration chosen;
  chosen.start = occupancyStartBox->value();
  const QTime reset = resetTimeEdit->time();
  if (resetCheck->isChecked()) chosen.reset_minute = reset.hour() * 60 + reset.minute();
  if (capacityCheck->isChecked()) chosen.capacity = capacityBox->value();
  return chosen;
}

void SummaryWindow::applyCalibration() {
  const Calibration chosen = ChosenCalibration();
  std::optional<ConversionError> failed;
  {
    const BusyCursor busy(platform_);
    try {
      analysis_ = AnalyzeSession(session_, chosen);
      calibration_ = chosen;
    } catch (const ConversionError& failure) {
      failed = failure;
    } catch (const std::bad_alloc&) {
      failed = ConversionError(failure::kOutOfMemory);
    }
  }
  if (failed) return ReportFailure(platform_, this, *failed);
  QSettings settings(QSettings::UserScope, QCoreApplication::applicationName());
  settings.setFallbacksEnabled(false);
  settings.beginGroup(SettingsGroup());
  settings.setValue(QStringLiteral("start"), chosen.start);
  if (chosen.reset_minute) {
    settings.setValue(QStringLiteral("reset"),
                      QTime(*chosen.reset_minute / 60, *chosen.reset_minute % 60)
                          .toString(QStringLiteral("HH:mm")));
  } else {
    settings.remove(QStringLiteral("reset"));
  }
  if (chosen.capacity) {
    settings.setValue(QStringLiteral("capacity"), *chosen.capacity);
  } else {
    settings.remove(QStringLiteral("capacity"));
  }
  ShowAnalysis(true);
}

// Fills the tables from analysis_, the cells in place (a screen reader keeps its place), and
// chooses the first day or keeps the day chosen and what the chart shows.
void SummaryWindow::ShowAnalysis(bool keep) {
  const ConversionState& state = session_.State();
  // In one pass: a "%4" in a header field stays as it is.
  identification->setText(
      tr("Contador: %1   Número de serie: %2   Descargado: %3\n"
         "Registros: %4   Entradas: %5   Salidas: %6")
          .arg(DecodeWindows1252(state.GlobalCounter), DecodeWindows1252(state.SerialNumber),
               DecodeWindows1252(state.DownloadDate), QString::number(analysis_.records),
               QString::number(analysis_.entries), QString::number(analysis_.exits)));
  const char decimal = forms_.DecimalSeparator();
  const int chosen = keep ? daysTable->currentRow() : 0;
  const QSignalBlocker days_quiet(daysTable), averages_quiet(averagesTable);
  // The reset's correction and the share of the capacity: columns shown with a calibration
  // that has them. Hidden, never taken away: assistive technology finds every cell where it
  // was.
  const bool reset = calibration_.reset_minute.has_value();
  const bool capacity = calibration_.capacity.has_value();
  daysTable->setColumnHidden(kCorrectionColumn, !reset);
  daysTable->setColumnHidden(kCapacityColumn, !capacity);
  // The columns measured once, when every cell is in: not again for each cell changed.
  daysTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  const bool reshaped = daysTable->rowCount() != static_cast<int>(analysis_.days.size());
  daysTable->setRowCount(static_cast<int>(analysis_.days.size()));
  for (int row = 0; row < daysTable->rowCount(); ++row) {
    const DayCounts& day = analysis_.days[static_cast<std::size_t>(row)];
    const DayFigures f = PresentDay(day, forms_);
    std::vector<std::string> cells = {f.date, f.weekday, f.coverage};
    if (day.coverage != Coverage::kMissing) {
      cells.insert(cells.end(), {f.entries, f.exits, f.total, f.peak_hour, f.peak_volume,
                                 f.peak_factor, f.split, f.MaxWithTime(), f.min_occupancy,
                                 f.end_occupancy, f.correction, f.capacity_share});
    }
    for (int column = 0; column < daysTable->columnCount(); ++column) {
      const std::size_t at = static_cast<std::size_t>(column);
      SetCell(daysTable, row, column, at < cells.size() ? DecodeWindows1252(cells[at]) : QString(),
              column > 2);
    }
  }
  daysTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  if (reshaped) {  // assistive technology reads the days anew, not by the cells it knew
    QAccessibleTableModelChangeEvent reset(daysTable, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&reset);
  }
  if (daysTable->rowCount() > 0) {  // the height of a row of the table's font
    daysTable->verticalHeader()->setDefaultSectionSize(
        static_cast<const QAbstractItemView*>(daysTable)->sizeHintForRow(0));
  }
  const AverageDay* averages[] = {&analysis_.weekday, &analysis_.weekend};
  for (int row = 0; row < 2; ++row) {
    const AverageDay& average = *averages[row];
    QStringList cells = {tr(kAverageDays[row])};
    if (average.days == 0) {
      cells << tr(kNoAverage[row]);
    } else {
      const AverageMeans means = MeansOf(average);
      cells << QString::number(average.days);
      for (const int flow : {kEntryFlow, kExitFlow, kBothFlows}) {
        cells << DecodeWindows1252(TenthsText(means.day[static_cast<std::size_t>(flow)], decimal));
      }
    }
    for (int column = 0; column < averagesTable->columnCount(); ++column) {
      SetCell(averagesTable, row, column, cells.value(column), column > 0 && average.days > 0);
    }
  }
  if (averagesTable->currentRow() < 0) averagesTable->setCurrentCell(0, 0);
  for (int row = 0; row < peaksTable->rowCount(); ++row) {
    SetCell(peaksTable, row, 0, tr(kPeakRows[row]), false);
  }
  checksList->clear();
  for (const std::string& line : SummaryText::CheckLines(analysis_)) {
    checksList->addItem(QString::fromStdString(line));
  }
  daysTable->setCurrentCell(
      chosen >= 0 && chosen < daysTable->rowCount() ? chosen : (daysTable->rowCount() > 0 ? 0 : -1),
      std::max(daysTable->currentColumn(), 0));
  ShowPeaks(daysTable->currentRow());
  if (average_ >= 0) {
    ShowAverage(average_);
  } else {
    ShowDay(daysTable->currentRow());
  }
}

bool SummaryWindow::eventFilter(QObject* watched, QEvent* event) {
  // Back in a table, the chart shows its chosen row again.
  if (event->type() == QEvent::FocusIn) {
    if (watched == daysTable) ShowDay(daysTable->currentRow());
    if (watched == averagesTable) ShowAverage(averagesTable->currentRow());
  }
  return QWidget::eventFilter(watched, event);
}

// Wide enough for the whole tables and tall enough for every day and check, where the screen
// allows; the tables take their room before the chart.
void SummaryWindow::FitToScreen() {
  QSize room(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (screen() != nullptr) {
    constexpr int kFrame = 48;  // left for the window manager's title bar and borders
    room = screen()->availableGeometry().size() - QSize(kFrame, kFrame);
  }
  // Each table at least its header and a whole row, and a scroll bar under them.
  const int scroll_bar = daysTable->horizontalScrollBar()->sizeHint().height();
  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(daysTable), static_cast<QAbstractItemView*>(hoursTable),
        static_cast<QAbstractItemView*>(peaksTable), static_cast<QAbstractItemView*>(checksList)}) {
    const auto* table = qobject_cast<QTableView*>(view);
    view->setMinimumHeight((table != nullptr ? table->horizontalHeader()->sizeHint().height() : 0) +
                           std::max({view->sizeHintForRow(0), view->fontMetrics().height(),
                                     table != nullptr && table->model()->rowCount() > 0
                                         ? table->verticalHeader()->sectionSize(0)
                                         : 0}) +
                           2 * view->frameWidth() + scroll_bar);
  }
  // First the width, which tells where the tables need a scroll bar; then the height.
  QLayout* column = content_->layout();
  const int margins = column->contentsMargins().left() + column->contentsMargins().right();
  const auto table_width = [](const QTableView* table, bool scrolls) {
    return table->horizontalHeader()->length() + 2 * table->frameWidth() +
           (scrolls ? table->verticalScrollBar()->sizeHint().width() : 0);
  };
  const int hours_width = table_width(hoursTable, true);
  const int days_width = table_width(daysTable, true);
  const int averages_width = table_width(averagesTable, false);
  const int peaks_width = table_width(peaksTable, true);
  const int checks_width = checksList->sizeHintForColumn(0) + 2 * checksList->frameWidth() +
                           content_->layout()->spacing();
  const int width =
      std::clamp(std::max({days_width, averages_width,
                           hours_width + chart->sizeHint().width() + day_->handleWidth(),
                           checks_width + peaks_width}) +
                     margins,
                 minimumSizeHint().width(), std::max(room.width(), minimumSizeHint().width()));
  // The average days show both rows, and a scroll bar under them where they are wider than
  // the window can be.
  averagesTable->setFixedHeight(TableHeight(averagesTable, 2) +
                                (averages_width + margins > width ? scroll_bar : 0));
  // The peaks, beside the checks, up to all their rows; where the height is short, they scroll.
  const int peaks_height = TableHeight(peaksTable, peaksTable->rowCount()) +
                           (peaks_width + margins > width ? scroll_bar : 0);
  peaksTable->setMaximumHeight(peaks_height);
  peaksTable->setMinimumWidth(std::min(peaks_width, (width - margins) / 2));
  // Each section: its caption, then its control; the days, their table and the average days.
  const auto section = [](const QWidget* widget, int control) {
    const QLayout* rows = widget->layout();
    return rows->itemAt(0)->sizeHint().height() + rows->spacing() + control;
  };
  const QLayout* days = sections_->widget(0)->layout();
  wanted_ = {
      days->sizeHint().height() - daysTable->sizeHint().height() + TableHeight(daysTable, 7) +
          (days_width + margins > width ? scroll_bar : 0),
      section(day_->widget(0),
              TableHeight(hoursTable, 12) + (hours_width + margins > width ? scroll_bar : 0)),
      std::max(section(checksList->parentWidget(),
                       checksList->sizeHintForRow(0) * checksList->count() +
                           2 * checksList->frameWidth() + checksList->fontMetrics().height() / 2),
               section(peaksTable->parentWidget(), peaks_height))};
  const int others = column->totalHeightForWidth(width) - sections_->sizeHint().height();
  resize(QSize(width, others + wanted_[0] + wanted_[1] + wanted_[2] + 2 * sections_->handleWidth())
             .boundedTo(room)
             .expandedTo(minimumSizeHint()));
  hours_width_ = hours_width;
}

// The contents fill the window, and are never smaller than the least they need: the
// identification's rows at that width, and each section's least.
void SummaryWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (scroll_ == nullptr) return;
  const QSize view = scroll_->maximumViewportSize();
  QLayout* column = content_->layout();
  const int margins = column->contentsMargins().left() + column->contentsMargins().right();
  const auto least = [&](int width) {
    return column->minimumSize().height() - identification->minimumSizeHint().height() +
           identification->heightForWidth(width - margins);
  };
  int width = std::max(view.width(), column->minimumSize().width());
  if (least(width) > view.height()) {  // a vertical scroll bar takes its width
    width = std::max(view.width() - scroll_->verticalScrollBar()->sizeHint().width(),
                     column->minimumSize().width());
  }
  content_->resize(width, std::max(view.height(), least(width)));
}

void SummaryWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (wanted_.empty()) return;
  // The days first, then the checks, each up to what it needs; the chosen day the rest.
  int least[3], sizes[3];
  int left = sections_->height() - 2 * sections_->handleWidth();
  for (int i = 0; i < 3; ++i) {
    least[i] = sections_->widget(i)->minimumSizeHint().height();
    left -= least[i];
  }
  for (const int i : {0, 2, 1}) {
    sizes[i] = least[i] +
               std::clamp(wanted_[static_cast<std::size_t>(i)] - least[i], 0, std::max(left, 0));
    left -= sizes[i] - least[i];
  }
  // The days' table ends at the end of a row: none shows cut in two.
  const int days_rows = daysTable->viewport()->height() + sizes[0] - sections_->sizes().value(0);
  const int row = daysTable->rowCount() > 0 ? daysTable->rowHeight(0) : 0;
  if (row > 0 && days_rows % row != 0 && sizes[0] - days_rows % row >= least[0]) {
    sizes[0] -= days_rows % row;
    left += days_rows % row;
  }
  sizes[1] += std::max(left, 0);
  sections_->setSizes({sizes[0], sizes[1], sizes[2]});
  day_->setSizes({hours_width_, std::max(day_->width() - hours_width_ - day_->handleWidth(), 0)});
  // So does the hours' table, as laid out now (with or without its scroll bar): the part of a
  // row it would show goes to the checks, or, where the hours would keep less than a row, the
  // rest of that row comes from the checks and then from the days.
  hoursTable->doItemsLayout();
  const int hours_shown = hoursTable->viewport()->height();
  const int hour = hoursTable->model()->rowCount() > 0 ? hoursTable->rowHeight(0) : 0;
  if (hour > 0 && hours_shown < hoursTable->verticalHeader()->length() && hours_shown % hour != 0) {
    QList<int> now = sections_->sizes();
    const int part = hours_shown % hour;
    if (hours_shown >= hour && now[1] - part >= least[1]) {
      now[1] -= part;
      now[2] += part;
    } else {
      // The days give whole rows of theirs, so as to stay whole; what is more goes to the checks.
      const int from_checks = std::min(hour - part, std::max(now[2] - least[2], 0));
      const int need = hour - part - from_checks;
      const int from_days = need > 0 && row > 0 && now[0] - (need + row - 1) / row * row >= least[0]
                                ? (need + row - 1) / row * row
                                : 0;
      now[1] += from_checks + std::min(need, from_days);
      now[2] += from_days - std::min(need, from_days) - from_checks;
      now[0] -= from_days;
    }
    sections_->setSizes(now);
  }
  wanted_.clear();
}

void SummaryWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  // The keyboard goes back to the main window, with or without a window manager to give it.
  if (isActiveWindow() && parentWidget() != nullptr) parentWidget()->activateWindow();
}

void SummaryWindow::ShowDay(int row) {
  average_ = -1;
  ShowPeaks(row);
  if (row < 0 || row >= static_cast<int>(analysis_.days.size())) {
    dayHours->SetDay(std::nullopt);
    return;
  }
  const DayCounts& day = analysis_.days[static_cast<std::size_t>(row)];
  const QString title = tr("%1 %2, %3")
                            .arg(QString::fromUtf8(WeekdayName(day.weekday)),
                                 DecodeWindows1252(forms_.ShortDate(day.date)),
                                 QString::fromUtf8(CoverageWord(day.coverage)));
  dayHours->SetDay(day.coverage != Coverage::kMissing ? std::optional(day) : std::nullopt, title);
}

void SummaryWindow::ShowAverage(int row) {
  if (row < 0 || row > 1) return;
  average_ = row;
  const AverageDay& average = row == 0 ? analysis_.weekday : analysis_.weekend;
  dayHours->SetAverage(average,
                       average.days > 0
                           ? tr(kAverageDays[row])
                           : tr("%1: %2").arg(tr(kAverageDays[row]), tr(kNoAverage[row])),
                       forms_.DecimalSeparator());
}

// The chosen day's peaks per direction, morning and afternoon: hour, volume and factor, or
// "ninguna" for a peak of no passage; nothing for a missing day.
void SummaryWindow::ShowPeaks(int row) {
  const DayCounts* day = row >= 0 && row < static_cast<int>(analysis_.days.size())
                             ? &analysis_.days[static_cast<std::size_t>(row)]
                             : nullptr;
  if (day != nullptr && day->coverage == Coverage::kMissing) day = nullptr;
  for (int flow = 0; flow < kFlows; ++flow) {
    for (int half = 0; half < 2; ++half) {
      QStringList cells = {QString(), QString(), QString()};
      if (day != nullptr) {
        const Peak& peak =
            day->peaks[static_cast<std::size_t>(flow)][static_cast<std::size_t>(half)];
        const bool any = peak.volume > 0;
        cells = {any ? QString::fromStdString(HourSpan(peak.start)) : tr("ninguna"),
                 QString::number(peak.volume),
                 any ? DecodeWindows1252(HundredthsText(peak.factor, forms_.DecimalSeparator()))
                     : QString()};
      }
      for (int column = 1; column < 4; ++column) {
        SetCell(peaksTable, flow * 2 + half, column, cells[column - 1], true);
      }
    }
  }
}

std::optional<QString> SummaryWindow::ChooseExport(FileDialogMode mode, const char* files,
                                                   const char* patterns, QString& last) {
  // The last file exported to, or else the download's folder (never the download itself).
  const QString download = QFile::decodeName(session_.Download().c_str());
  QString filter = CommonDialog::tr(files).arg(QString::fromUtf8(patterns));
  const QStringList filters = {filter, CommonDialog::tr(kAllFiles)};
  const std::optional<QString> chosen = platform_.ShowFileDialog(
      this, mode, filters, filter, last.isEmpty() ? QFileInfo(download).absolutePath() : last);
  if (!chosen) return std::nullopt;
  // A name without an extension is given the filter's, as a Save's is.
  last = WithExtension(*chosen, ChosenPatterns(filters, filter));
  return chosen;
}

void SummaryWindow::exportTable() {
  const int kind = exportChoice->currentIndex();
  const std::string_view names[] = {format_name::kPassages, format_name::kIntervals,
                                    format_name::kIntervals, format_name::kDays,
                                    format_name::kHourly};
  const std::unique_ptr<OutputFormat> format =
      MakeOutputFormat(names[std::clamp(kind, 0, 4)], kind == 1 ? 15 : 60);
  if (!format) return;
  const std::optional<QString> chosen =
      ChooseExport(FileDialogMode::Save, kCsvFiles, kCsvPatterns, export_name_);
  if (!chosen) return;
  const QString& path = export_name_;
  std::optional<ConversionError> failed;
  {
    const BusyCursor busy(platform_);
    try {
      SaveOutput(session_, session_.Download().string(), *format,
                 std::filesystem::path(QFile::encodeName(path).toStdString()),
                 LockWait{kLockWait, {}}, calibration_, &analysis_);
    } catch (const ConversionError& failure) {
      failed = failure;
    } catch (const std::bad_alloc&) {
      failed = ConversionError(failure::kOutOfMemory);
    }
  }
  if (failed) ReportFailure(platform_, this, *failed, path);
}

void SummaryWindow::exportWorkbook() {
  const std::optional<QString> chosen =
      ChooseExport(FileDialogMode::Replace, kWorkbookFiles, kWorkbookPatterns, workbook_name_);
  if (!chosen) return;
  const QString& path = workbook_name_;
  // The dialog asked before replacing the name it handed back; a name given its extension
  // only here was never asked about, and an existing file of that name stays.
  const bool replace = path == *chosen;
  bool kept = false;  // an existing file of that name, not to be replaced
  std::optional<ConversionError> failed;
  {
    const BusyCursor busy(platform_);
    try {
      SaveWorkbook({{session_.Download().string(), session_}},
                   std::filesystem::path(QFile::encodeName(path).toStdString()), replace,
                   calibration_, &analysis_);
    } catch (const WholeReplacement::Exists&) {
      kept = true;
    } catch (const ConversionError& failure) {
      failed = failure;
    } catch (const std::bad_alloc&) {
      failed = ConversionError(failure::kOutOfMemory);
    }
  }
  if (kept) {
    platform_.ShowWarningMessage(
        this, QString::fromUtf8(kAppTitle),
        tr("«%1» ya existe; se deja como está y el libro no se ha guardado.").arg(path));
  }
  if (failed) ReportFailure(platform_, this, *failed, path);
}

}  // namespace tarvex

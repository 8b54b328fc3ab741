#include "window/summary_window.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>
#include <QTableWidget>
#include <algorithm>
#include <new>
#include <optional>

#include "analysis/day_figures.h"
#include "analysis/output_format.h"
#include "analysis/summary_text.h"
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

}  // namespace

SummaryWindow::SummaryWindow(Platform& platform, ConversionSession& session,
                             const RegionalFormatter& forms, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), session_(session), forms_(forms) {
  setObjectName(QStringLiteral("Resumen"));
  setWindowTitle(tr(kSummaryTitle) + QString::fromUtf8(kAppTitle));
  identification = new QLabel(this);
  identification->setTextFormat(Qt::PlainText);
  identification->setWordWrap(true);
  daysTable = new QTableWidget(0, static_cast<int>(std::size(kDayColumns)), this);
  QStringList columns;
  for (const char* column : kDayColumns) columns << tr(column);
  daysTable->setHorizontalHeaderLabels(columns);
  SetUpTable(daysTable);
  dayHours = new DayHoursModel(this);
  hoursTable = new QTableView(this);
  hoursTable->setModel(dayHours);
  SetUpTable(hoursTable);
  chart = new DayChart(dayHours, this);
  checksList = new QListWidget(this);
  exportChoice = new QComboBox(this);
  for (const char* table : kExports) exportChoice->addItem(tr(table));
  exportButton = new QPushButton(tr(kExportButton), this);
  exportButton->setAutoDefault(true);
  closeButton = new QPushButton(tr(kCloseButton), this);
  closeButton->setAutoDefault(true);

  // Top to bottom: the identification; the days, the chosen day's hours beside its chart,
  // and the checks, sharing the height in a splitter; the export and Cerrar.
  day_ = new QSplitter(Qt::Horizontal);
  day_->addWidget(Section(Caption(tr(kHoursCaption), hoursTable, this), hoursTable));
  day_->addWidget(chart);
  day_->setStretchFactor(1, 1);
  day_->setCollapsible(0, false);
  sections_ = new QSplitter(Qt::Vertical, this);
  sections_->addWidget(Section(Caption(tr(kDaysCaption), daysTable, this), daysTable));
  sections_->addWidget(day_);
  sections_->addWidget(Section(Caption(tr(kChecksCaption), checksList, this), checksList));
  sections_->setStretchFactor(1, 1);
  sections_->setChildrenCollapsible(false);
  auto* commands = new QHBoxLayout;
  commands->addWidget(Caption(tr(kExportCaption), exportChoice, this));
  commands->addWidget(exportChoice, 1);
  commands->addWidget(exportButton);
  commands->addWidget(closeButton);
  content_ = new QWidget;
  auto* column = new QVBoxLayout(content_);
  column->addWidget(identification);
  column->addWidget(sections_, 1);
  column->addLayout(commands);
  // On a screen too small for even the least of it, the whole scrolls: nothing is cut.
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(content_);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setFocusPolicy(Qt::NoFocus);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll_);
  QWidget* order[] = {daysTable, hoursTable, checksList, exportChoice, exportButton, closeButton};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  daysTable->setFocus();

  connect(daysTable, &QTableWidget::currentCellChanged, this, [this](int row) { ShowDay(row); });
  connect(exportButton, &QPushButton::clicked, this, [this] { exportTable(); });
  connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);
}

void SummaryWindow::Refresh() {
  analysis_ = AnalyzeSession(session_);
  const ConversionState& state = session_.State();
  // In one pass: a "%4" in a header field stays as it is.
  identification->setText(
      tr("Contador: %1   Número de serie: %2   Descargado: %3\n"
         "Registros: %4   Entradas: %5   Salidas: %6")
          .arg(DecodeWindows1252(state.GlobalCounter), DecodeWindows1252(state.SerialNumber),
               DecodeWindows1252(state.DownloadDate), QString::number(analysis_.records),
               QString::number(analysis_.entries), QString::number(analysis_.exits)));
  daysTable->setRowCount(static_cast<int>(analysis_.days.size()));
  for (int row = 0; row < daysTable->rowCount(); ++row) {
    const DayFigures day = PresentDay(analysis_.days[static_cast<std::size_t>(row)], forms_);
    const std::string cells[] = {day.date,          day.entries,
                                 day.exits,         day.total,
                                 day.peak_hour,     day.peak_volume,
                                 day.peak_factor,   day.max_occupancy + " (" + day.max_time + ")",
                                 day.min_occupancy, day.end_occupancy};
    for (int column = 0; column < daysTable->columnCount(); ++column) {
      auto* item = new QTableWidgetItem(DecodeWindows1252(cells[column]));
      if (column > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      daysTable->setItem(row, column, item);
    }
  }
  checksList->clear();
  for (const std::string& line : SummaryText::CheckLines(analysis_)) {
    checksList->addItem(QString::fromStdString(line));
  }
  daysTable->setCurrentCell(daysTable->rowCount() > 0 ? 0 : -1, 0);
  ShowDay(daysTable->currentRow());
  if (!isVisible()) FitToScreen();
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
        static_cast<QAbstractItemView*>(checksList)}) {
    const auto* table = qobject_cast<QTableView*>(view);
    view->setMinimumHeight((table != nullptr ? table->horizontalHeader()->sizeHint().height() : 0) +
                           std::max(view->sizeHintForRow(0), view->fontMetrics().height()) +
                           2 * view->frameWidth() + scroll_bar);
  }
  // First the width, which tells where the tables need a scroll bar; then the height.
  QLayout* column = content_->layout();
  const int margins = column->contentsMargins().left() + column->contentsMargins().right();
  const int hours_width = hoursTable->horizontalHeader()->length() + 2 * hoursTable->frameWidth() +
                          hoursTable->verticalScrollBar()->sizeHint().width();
  const int days_width = daysTable->horizontalHeader()->length() + 2 * daysTable->frameWidth() +
                         daysTable->verticalScrollBar()->sizeHint().width();
  const int width = std::clamp(
      std::max(days_width, hours_width + day_->handleWidth() + chart->sizeHint().width()) + margins,
      minimumSizeHint().width(), std::max(room.width(), minimumSizeHint().width()));
  // Each section: its caption, then its control.
  const auto section = [](const QWidget* widget, int control) {
    const QLayout* rows = widget->layout();
    return rows->itemAt(0)->sizeHint().height() + rows->spacing() + control;
  };
  wanted_ = {section(sections_->widget(0),
                     TableHeight(daysTable, 7) + (days_width + margins > width ? scroll_bar : 0)),
             section(day_->widget(0), TableHeight(hoursTable, 12) +
                                          (hours_width + margins > width ? scroll_bar : 0)),
             section(sections_->widget(2), checksList->sizeHintForRow(0) * checksList->count() +
                                               2 * checksList->frameWidth() +
                                               checksList->fontMetrics().height() / 2)};
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
  dayHours->SetDay(row >= 0 && row < static_cast<int>(analysis_.days.size())
                       ? std::optional<DayCounts>(analysis_.days[static_cast<std::size_t>(row)])
                       : std::nullopt);
}

void SummaryWindow::exportTable() {
  const int kind = exportChoice->currentIndex();
  const std::unique_ptr<OutputFormat> format = MakeOutputFormat(
      kind == 0 ? format_name::kPassages : format_name::kIntervals, kind == 1 ? 15 : 60);
  // The last file exported to, or else the download's folder (never the download itself).
  const QString download = QFile::decodeName(session_.Download().c_str());
  QString filter = CommonDialog::tr(kCsvFiles).arg(QString::fromUtf8(kCsvPatterns));
  const QStringList filters = {filter, CommonDialog::tr(kAllFiles)};
  const std::optional<QString> chosen = platform_.ShowFileDialog(
      this, FileDialogMode::Save, filters, filter,
      export_name_.isEmpty() ? QFileInfo(download).absolutePath() : export_name_);
  if (!chosen) return;
  // A name without an extension, for the CSV tables, is given theirs, as a Save is.
  const QString path = WithExtension(*chosen, ChosenPatterns(filters, filter));
  export_name_ = path;
  std::optional<ConversionError> failed;
  {
    const BusyCursor busy(platform_);
    try {
      SaveOutput(session_, session_.Download().string(), *format,
                 std::filesystem::path(QFile::encodeName(path).toStdString()),
                 LockWait{kLockWait, {}});
    } catch (const ConversionError& failure) {
      failed = failure;
    } catch (const std::bad_alloc&) {
      failed = ConversionError(failure::kOutOfMemory);
    }
  }
  if (failed) ReportFailure(platform_, this, *failed, path);
}

}  // namespace tarvex

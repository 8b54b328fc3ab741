#include "window/summary_window.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>
#include <new>
#include <optional>

#include "analysis/counts_format.h"
#include "analysis/summary_text.h"
#include "window/common_dialog.h"
#include "window/day_chart.h"
#include "window/text_view.h"

namespace tarvex {

namespace {

QString Clock(int seconds, bool with_seconds) {
  const QString text = QStringLiteral("%1:%2")
                           .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                           .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
  return with_seconds ? text + QStringLiteral(":%1").arg(seconds % 60, 2, 10, QLatin1Char('0'))
                      : text;
}

// A caption for `buddy`, which takes its access key; the caption is also the name assistive
// technology gives the control (Qt takes a buddy's caption for some kinds of control only).
QLabel* Caption(const char* text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setBuddy(buddy);
  buddy->setAccessibleName(label->text().remove(QLatin1Char('&')).remove(QLatin1Char(':')));
  return label;
}

constexpr const char* kCsvFilter = "Tablas CSV (*.csv)";

}  // namespace

SummaryWindow::SummaryWindow(Platform& platform, ConversionSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), session_(session) {
  setObjectName(QStringLiteral("Resumen"));
  setWindowTitle(QStringLiteral("Resumen - ") + QString::fromUtf8(kAppTitle));
  Identification = new QLabel(this);
  Identification->setTextFormat(Qt::PlainText);
  Identification->setWordWrap(true);
  Days = new QTableWidget(0, 9, this);
  Days->setHorizontalHeaderLabels(
      {QStringLiteral("Fecha"), QStringLiteral("Entradas"), QStringLiteral("Salidas"),
       QStringLiteral("Total"), QStringLiteral("Hora punta"),
       QStringLiteral("Vehículos en hora punta"), QStringLiteral("Factor"),
       QStringLiteral("Ocupación máxima"), QStringLiteral("Ocupación al final del día")});
  Days->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Days->setSelectionBehavior(QAbstractItemView::SelectRows);
  Days->setSelectionMode(QAbstractItemView::SingleSelection);
  Days->verticalHeader()->hide();
  Days->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  Chart = new DayChart(this);
  Checks = new QListWidget(this);
  Export = new QComboBox(this);
  Export->addItems({QStringLiteral("Pasos"), QStringLiteral("Intervalos de 15 minutos"),
                    QStringLiteral("Intervalos de 60 minutos")});
  ExportButton = new QPushButton(QStringLiteral("&Exportar CSV…"), this);
  ExportButton->setAutoDefault(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Identification, 0, 0, 1, 3);
  grid->addWidget(Caption("&Días:", Days, this), 1, 0, 1, 3);
  grid->addWidget(Days, 2, 0, 1, 3);
  grid->addWidget(Chart, 3, 0, 1, 3);
  grid->addWidget(Caption("&Comprobaciones:", Checks, this), 4, 0, 1, 3);
  grid->addWidget(Checks, 5, 0, 1, 3);
  grid->addWidget(Caption("&Tabla:", Export, this), 6, 0);
  grid->addWidget(Export, 6, 1);
  grid->addWidget(ExportButton, 6, 2);
  grid->setRowStretch(2, 2);
  grid->setRowStretch(3, 3);
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(1, 1);

  connect(Days, &QTableWidget::currentCellChanged, this, [this](int row) { ShowDay(row); });
  connect(ExportButton, &QPushButton::clicked, this, [this] { Export_Click(); });
}

void SummaryWindow::Refresh() {
  analysis_ = AnalyzeSession(session_);
  const ConversionState& state = session_.State();
  Identification->setText(QStringLiteral("Contador: %1   Número de serie: %2   Descargado: %3\n"
                                         "Registros: %4   Entradas: %5   Salidas: %6")
                              .arg(DecodeWindows1252(state.GlobalCounter),
                                   DecodeWindows1252(state.SerialNumber),
                                   DecodeWindows1252(state.DownloadDate))
                              .arg(analysis_.records)
                              .arg(analysis_.entries)
                              .arg(analysis_.exits));
  Days->setRowCount(static_cast<int>(analysis_.days.size()));
  for (int row = 0; row < Days->rowCount(); ++row) {
    const DayCounts& day = analysis_.days[static_cast<std::size_t>(row)];
    const QStringList cells = {
        QStringLiteral("%1/%2/%3")
            .arg(static_cast<unsigned>(day.date.day()), 2, 10, QLatin1Char('0'))
            .arg(static_cast<unsigned>(day.date.month()), 2, 10, QLatin1Char('0'))
            .arg(static_cast<int>(day.date.year())),
        QString::number(day.entries),
        QString::number(day.exits),
        QString::number(day.entries + day.exits),
        Clock(day.peak_start * 60, false) + QLatin1Char('-') +
            Clock((day.peak_start + 60) * 60, false),
        QString::number(day.peak_volume),
        QStringLiteral("%1,%2")
            .arg(day.peak_factor / 100)
            .arg(day.peak_factor % 100, 2, 10, QLatin1Char('0')),
        QStringLiteral("%1 (%2)").arg(day.max_occupancy).arg(Clock(day.max_second, true)),
        QString::number(day.end_occupancy)};
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      if (column > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      Days->setItem(row, column, item);
    }
  }
  Checks->clear();
  for (const std::string& line : SummaryText::CheckLines(analysis_)) {
    Checks->addItem(QString::fromStdString(line));
  }
  Days->setCurrentCell(Days->rowCount() > 0 ? 0 : -1, 0);
  ShowDay(Days->currentRow());
  if (!isVisible()) {
    // Wide enough for the whole table, where the screen allows.
    const int table = Days->horizontalHeader()->length() + 2 * Days->frameWidth() +
                      Days->verticalScrollBar()->sizeHint().width() + 24;
    QSize size(std::max(table, sizeHint().width()), std::max(600, sizeHint().height()));
    if (screen() != nullptr)
      size = size.boundedTo(screen()->availableGeometry().size() - QSize(48, 48));
    resize(size.expandedTo(minimumSizeHint()));
  }
}

void SummaryWindow::ShowDay(int row) {
  Chart->SetDay(row >= 0 && row < static_cast<int>(analysis_.days.size())
                    ? std::optional<DayCounts>(analysis_.days[static_cast<std::size_t>(row)])
                    : std::nullopt);
}

void SummaryWindow::Export_Click() {
  const int kind = Export->currentIndex();
  const std::unique_ptr<CountsFormat> format =
      MakeCountsFormat(kind == 0 ? "passages" : "intervals", kind == 1 ? 15 : 60);
  // The last file exported to, or else the download's folder (never the download itself).
  const QString download = QString::fromStdString(session_.Download().string());
  QString filter = QString::fromUtf8(kCsvFilter);
  const QStringList filters = {filter, QStringLiteral("Todos los archivos (*)")};
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
      SaveCounts(session_, QFile::encodeName(QFileInfo(download).fileName()).toStdString(), *format,
                 std::filesystem::path(QFile::encodeName(path).toStdString()),
                 LockWait{export_wait_, {}});
    } catch (const ConversionError& failure) {
      failed = failure;
    } catch (const std::bad_alloc&) {
      failed = ConversionError(failure::kOutOfMemory);
    }
  }
  if (failed) ReportFailure(platform_, this, *failed, path);
}

}  // namespace tarvex

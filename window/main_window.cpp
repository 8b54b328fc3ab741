#include "window/main_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <new>
#include <optional>
#include <utility>

#include "analysis/output_format.h"
#include "textbox/accessible_text.h"
#include "window/window_constants.h"

namespace tarvex {

namespace {

// A label that shows a field of the download (or a count): at least as wide as the longest
// value the field takes, `widest`, in its font, so that a value never comes cut.
class FieldLabel : public QLabel {
 public:
  FieldLabel(QWidget* parent, const char* widest) : QLabel(parent), widest_(widest) {}
  QSize minimumSizeHint() const override {
    const QSize size = QLabel::minimumSizeHint();
    return {std::max(size.width(), fontMetrics().horizontalAdvance(widest_) + 2 * margin() + 2),
            size.height()};
  }
  QSize sizeHint() const override { return minimumSizeHint().expandedTo(QLabel::sizeHint()); }

 private:
  QString widest_;
};

template <typename Control, typename... Args>
Control* Make(QWidget* window, const char* name, Args... args) {
  auto* control = new Control(window, args...);
  control->setObjectName(QLatin1String(name));
  return control;
}

template <typename Label = QLabel, typename... Args>
Label* MakeLabel(QWidget* window, const char* name, const QString& caption, Args... args) {
  auto* label = Make<Label>(window, name, args...);
  // Header fields come from files: never read them as markup.
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setText(caption);
  return label;
}

QPushButton* MakeButton(QWidget* window, const char* name, const QString& caption, int width) {
  auto* button = Make<QPushButton>(window, name);
  button->setText(caption);
  button->setMinimumWidth(width);  // as designed, or wider for a larger font
  // Return and Enter press a focused button, as Space does.
  button->setAutoDefault(true);
  return button;
}

PathBox* MakePathBox(QWidget* window, const char* name, const QString& spoken) {
  auto* box = Make<PathBox>(window, name);
  box->setText(QString::fromUtf8(kNoPath));
  box->setAccessibleName(spoken);
  return box;
}

TextView* MakeBox(QWidget* window, const char* name, const QString& spoken) {
  auto* box = Make<TextView>(window, name);
  box->setAccessibleName(spoken);
  return box;
}

// Controls side by side, the last one taking the room left.
QHBoxLayout* Side(std::initializer_list<QWidget*> controls) {
  auto* row = new QHBoxLayout;
  row->setSpacing(7);
  for (QWidget* control : controls) row->addWidget(control);
  row->setStretch(row->count() - 1, 1);
  return row;
}

// A path typed or chosen in the window, as the file system spells it.
std::filesystem::path PathOf(const QString& text) {
  return std::filesystem::path(QFile::encodeName(text).toStdString());
}

QString Shown(const std::string& bytes) {
  return DecodeWindows1252(bytes);
}

// Runs the failing part of a command: the failure it meets, if any. Memory exhausted in the
// window itself is failure 7 too.
template <typename Body>
std::optional<ConversionError> Attempt(Body body) {
  try {
    body();
    return std::nullopt;
  } catch (const ConversionError& failure) {
    return failure;
  } catch (const std::bad_alloc&) {
    return ConversionError(failure::kOutOfMemory);
  }
}

}  // namespace

MainWindow::MainWindow(Platform& platform, const RegionalFormatter* formatter, QWidget* parent)
    : QWidget(parent),
      platform_(platform),
      system_formatter_(formatter == nullptr ? std::make_unique<SystemFormatter>() : nullptr),
      formatter_(formatter != nullptr ? *formatter : *system_formatter_) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QString::fromUtf8(kAppTitle));
  InstallAccessibility();

  // The controls; the order they are read and tabbed in is set below.
  reportPathBox = MakePathBox(this, "reportPathBox", tr(kReportPathName));
  convertButton = MakeButton(this, "convertButton", tr(kConvertCaption), 89);
  exitsBox = MakeBox(this, "exitsBox", tr(kExitsName));
  entriesBox = MakeBox(this, "entriesBox", tr(kEntriesName));
  downloadTextBox = MakeBox(this, "downloadTextBox", tr(kDownloadTextName));
  saveButton = MakeButton(this, "saveButton", tr(kSaveCaption), 97);
  downloadPathBox = MakePathBox(this, "downloadPathBox", tr(kDownloadPathName));
  fileDialog = new CommonDialog(platform_, this);
  fileDialog->setObjectName(QStringLiteral("fileDialog"));
  fileDialog->Filter = CommonDialog::Choice(kTextFiles, kTextPatterns) + QLatin1Char('|') +
                       CommonDialog::Choice(kDownloadFiles, kDownloadPatterns);
  openButton = MakeButton(this, "openButton", tr(kOpenCaption), 97);
  const QString no_field = QString::fromUtf8(kNoField), zero = QStringLiteral("0");
  downloadDateLabel =
      MakeLabel<FieldLabel>(this, "downloadDateLabel", no_field, "00/00/0000 00:00:00 ");
  downloadDateCaption = MakeLabel(this, "downloadDateCaption", tr(kDownloadDateCaption));
  serialLabel = MakeLabel<FieldLabel>(this, "serialLabel", no_field, "XXXX");
  exitsCaption = MakeLabel(this, "exitsCaption", tr(kExitsCaption));
  entriesCaption = MakeLabel(this, "entriesCaption", tr(kEntriesCaption));
  totalCaption = MakeLabel(this, "totalCaption", tr(kTotalCaption));
  entryCount = MakeLabel<FieldLabel>(this, "entryCount", zero, "0000000");
  exitCount = MakeLabel<FieldLabel>(this, "exitCount", zero, "0000000");
  totalCount = MakeLabel<FieldLabel>(this, "totalCount", zero, "0000000");
  counterCaption = MakeLabel(this, "counterCaption", tr(kCounterCaption));
  counterLabel = MakeLabel<FieldLabel>(this, "counterLabel", zero, "000000");
  serialCaption = MakeLabel(this, "serialCaption", tr(kSerialCaption));
  // As wide as its caption needs.
  summaryButton = MakeButton(this, "summaryButton", tr(kSummaryCaption), 0);
  summaryButton->setEnabled(false);
  counts_notice_ = new Notice(this);

  // Each value is labelled by its caption for assistive technology (the caption's buddy:
  // Qt tells a screen reader that the one labels the other).
  for (const auto& [caption, value] : {std::pair{entriesCaption, entryCount},
                                       {exitsCaption, exitCount},
                                       {serialCaption, serialLabel},
                                       {totalCaption, totalCount},
                                       {counterCaption, counterLabel},
                                       {downloadDateCaption, downloadDateLabel}}) {
    caption->setBuddy(value);
  }

  // The design's arrangement, in a grid that grows: the path boxes, the file text and the
  // two lists take the room there is; every caption, field and button gets what its font
  // needs. Top to bottom: Abrir and its path; the file text; entries beside exits; the
  // counts; Conversion, serial number and total; counter and download date; Guardar and its
  // path.
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(8, 8, 14, 15);
  grid->setHorizontalSpacing(15);
  grid->setVerticalSpacing(7);
  grid->addLayout(Side({openButton, downloadPathBox}), 0, 0, 1, 2);
  grid->addWidget(downloadTextBox, 1, 0, 1, 2);
  grid->addWidget(entriesBox, 2, 0);
  grid->addWidget(exitsBox, 2, 1);
  grid->addLayout(Side({entriesCaption, entryCount}), 3, 0);
  grid->addLayout(Side({exitsCaption, exitCount}), 3, 1);
  grid->addLayout(Side({convertButton, serialCaption, serialLabel}), 4, 0);
  QHBoxLayout* total = Side({totalCaption, totalCount, summaryButton});
  total->setStretch(1, 1);
  total->setStretch(2, 0);
  grid->addLayout(total, 4, 1);
  grid->addLayout(Side({counterCaption, counterLabel}), 5, 0);
  grid->addLayout(Side({downloadDateCaption, downloadDateLabel}), 5, 1);
  grid->addLayout(Side({saveButton, reportPathBox}), 6, 0, 1, 2);
  // The rows and columns that grow share the room as in the design.
  grid->setRowStretch(1, 1215);
  grid->setRowStretch(2, 5415);
  grid->setColumnStretch(0, 3375);
  grid->setColumnStretch(1, 3135);
  // Each list line on one row, in the regional forms in use, whatever the font.
  const QString widest = WidestListLine();
  entriesBox->SetWidestLine(widest);
  exitsBox->SetWidestLine(widest);
  resize(InitialSize());

  exitsBox->SetSource(&State().ExitList);
  entriesBox->SetSource(&State().EntryList);
  downloadTextBox->SetSource(&State().FileText);

  // A screen reader reads the controls in the order they are kept in: as they are seen, row
  // by row, left to right, each caption before its value.
  for (QWidget* control : std::initializer_list<QWidget*>{
           openButton,     downloadPathBox, downloadTextBox,     entriesBox,        exitsBox,
           entriesCaption, entryCount,      exitsCaption,        exitCount,         convertButton,
           serialCaption,  serialLabel,     totalCaption,        totalCount,        summaryButton,
           counterCaption, counterLabel,    downloadDateCaption, downloadDateLabel, saveButton,
           reportPathBox,  counts_notice_}) {
    control->raise();
  }

  // Tab order: Abrir and its path, Guardar, the file text, entries, exits, Conversion, the
  // report's path; then Resumen.
  QWidget* order[] = {openButton, downloadPathBox, saveButton,    downloadTextBox, entriesBox,
                      exitsBox,   convertButton,   reportPathBox, summaryButton};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  openButton->setFocus();  // the first in tab order has the focus at start

  // Alt+F4 closes the window even where no window manager provides it.
  auto* close_key = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
  connect(close_key, &QShortcut::activated, this, &QWidget::close);

  // One local file dropped on the window opens as if chosen in the Open dialog.
  setAcceptDrops(true);

  connect(openButton, &QPushButton::clicked, this, [this] { open(); });
  connect(convertButton, &QPushButton::clicked, this, [this] { convert(); });
  connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
  connect(summaryButton, &QPushButton::clicked, this, [this] { showSummary(); });
}

// The widest a list line may be: a date and a time with two-digit fields, morning and
// evening, as the formatter writes them.
QString MainWindow::WidestListLine() const {
  using namespace std::chrono;
  QString widest;
  const QFontMetricsF metrics(entriesBox->font());
  for (const year_month_day date : {2026y / December / 28d, 2026y / September / 30d}) {
    for (const int second : {10 * 3600 + 58 * 60 + 58, 23 * 3600 + 58 * 60 + 58}) {
      const QString line = DecodeWindows1252(formatter_.ShortDate(date)) + QStringLiteral("    ") +
                           DecodeWindows1252(formatter_.LongTime(TimeOfDay{seconds{second}}));
      if (metrics.horizontalAdvance(line) > metrics.horizontalAdvance(widest)) widest = line;
    }
  }
  return widest;
}

// The design size, or the least the font needs; no larger than the screen leaves room for.
QSize MainWindow::InitialSize() const {
  QSize size = kDesignSize.expandedTo(minimumSizeHint());
  if (const QScreen* screen = this->screen()) {
    constexpr int kFrame = 48;  // left for the window manager's title bar and borders
    const QSize room = screen->availableGeometry().size() - QSize(kFrame, kFrame);
    size = size.boundedTo(room).expandedTo(minimumSizeHint());
  }
  return size;
}

void MainWindow::ShowCounts() {
  totalCount->setText(QString::number(State().TotalCount));
  exitCount->setText(QString::number(State().ExitCount));
  entryCount->setText(QString::number(State().EntryCount));
}

// The file text, both lists, the counts and the header fields, as the state holds them.
void MainWindow::ShowState() {
  downloadTextBox->Refresh();
  entriesBox->Refresh();
  exitsBox->Refresh();
  ShowCounts();
  counterLabel->setText(Shown(State().GlobalCounter));
  serialLabel->setText(Shown(State().SerialNumber));
  downloadDateLabel->setText(Shown(State().DownloadDate));
}

void MainWindow::open() {
  // A cancelled dialog ends the command before anything changes.
  const std::optional<QString> chosen = fileDialog->ShowOpen(this);
  if (chosen) openDownload(*chosen);
}

void MainWindow::openDownload(const QString& given) {
  openDownload(given.isEmpty() ? std::filesystem::path()
                               : PathOf(QFileInfo(given).absoluteFilePath()));
}

void MainWindow::openDownload(const std::filesystem::path& given) {
  // Absolute, so that the next dialog starts in its folder whatever the working folder.
  std::error_code unknown;
  std::filesystem::path file =
      given.empty() ? given : std::filesystem::absolute(given, unknown).lexically_normal();
  if (!file.has_filename() && file != file.root_path()) file = file.parent_path();
  // People read the name decoded; the session opens the bytes themselves.
  const QString path = QFile::decodeName(QByteArray::fromStdString(file.string()));
  fileDialog->OpenName = path;
  downloadPathBox->setText(path);
  // What was summed up was the file before.
  summaryButton->setEnabled(false);
  if (summaryWindow != nullptr) summaryWindow->hide();
  std::optional<ConversionError> failed = Attempt([&] { session_.Open(file); });
  const std::optional<ConversionError> not_shown = Attempt([&] { ShowState(); });
  if (!failed) failed = not_shown;
  if (failed) ReportFailure(*failed, path);
}

std::filesystem::path MainWindow::CommandLineDownload(const QString& argument, int argc,
                                                      char* argv[]) {
  for (int i = argc - 1; i > 0; --i) {
    if (QString::fromLocal8Bit(argv[i]) == argument) return argv[i];
  }
  return PathOf(argument);
}

void MainWindow::TellRegionalNotices() {
  if (notices_told_) return;
  notices_told_ = true;
  QStringList texts;
  for (const RegionalNotice& notice : formatter_.Notices()) {
    texts << QString::fromStdString(notice.Text(notice.locale));
  }
  if (!texts.isEmpty()) {
    platform_.ShowWarningMessage(this, QString::fromUtf8(kAppTitle), texts.join(QLatin1Char('\n')));
  }
}

void MainWindow::convert() {
  TellRegionalNotices();
  std::optional<ConversionError> failed;
  {
    const BusyCursor busy(platform_);
    failed = Attempt([&] { session_.Convert(formatter_); });
    summaryButton->setEnabled(!failed && !session_.Download().empty());
    // After a failure too: what was counted and listed before it stays shown.
    const std::optional<ConversionError> not_shown = Attempt([&] {
      ShowCounts();
      exitsBox->Refresh();
      entriesBox->Refresh();
    });
    if (!failed) failed = not_shown;
  }
  // The pointer is back to normal before the message shows.
  if (failed) return ReportFailure(*failed);
  // What a screen reader says once the lists are made: the counts, each after its caption.
  QStringList counts;
  for (const QLabel* caption : {entriesCaption, exitsCaption, totalCaption}) {
    counts << caption->text() + QLatin1Char(' ') + static_cast<QLabel*>(caption->buddy())->text();
  }
  counts_notice_->Tell(counts.join(QStringLiteral(", ")));
}

void MainWindow::save() {
  // The first report starts in the download's folder, with no name; a report never in the
  // open download: its folder is proposed instead, rather than a file the report must not go
  // into.
  QString& name = fileDialog->SaveName;
  if (name.isEmpty() && !fileDialog->OpenName.isEmpty()) {
    name = QFileInfo(fileDialog->OpenName).absolutePath();
  }
  if (session_.IsOpenDownload(PathOf(name))) name = QFileInfo(name).absolutePath();
  const std::optional<QString> chosen = fileDialog->ShowSave(this);
  if (!chosen) return;
  reportPathBox->setText(*chosen);
  std::optional<ConversionError> failed;
  {
    // Under the busy pointer while another program writing the same file is waited for.
    const BusyCursor busy(platform_);
    failed = Attempt([&] {
      SaveOutput(session_, session_.Download().string(), *MakeOutputFormat(format_name::kReport),
                 PathOf(reportPathBox->text()), LockWait{report_wait_, {}});
    });
  }
  if (failed) ReportFailure(*failed, reportPathBox->text());
}

namespace {

// The one local file a drag carries; nothing for several files, a folder or anything else.
std::optional<QString> DroppedFile(const QMimeData* data) {
  if (data == nullptr || data->urls().size() != 1) return std::nullopt;
  const QUrl url = data->urls().front();
  if (!url.isLocalFile() || QFileInfo(url.toLocalFile()).isDir()) return std::nullopt;
  return url.toLocalFile();
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  dragMoveEvent(event);
}

// A refused drag shows the no-drop pointer.
void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedFile(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::optional<QString> file = DroppedFile(event->mimeData());
  if (!file) return event->ignore();
  event->acceptProposedAction();
  // After the drop has finished: a failure box must not hold the drag's source waiting.
  QTimer::singleShot(0, this, [this, path = *file] {
    activateWindow();
    openDownload(path);
  });
}

void MainWindow::showSummary() {
  std::optional<ConversionError> failed;
  {
    const BusyCursor busy(platform_);
    if (summaryWindow == nullptr)
      summaryWindow = new SummaryWindow(platform_, session_, formatter_, this);
    failed = Attempt([&] { summaryWindow->Refresh(); });
  }
  if (failed) return ReportFailure(*failed);
  summaryWindow->show();
  summaryWindow->raise();
  summaryWindow->activateWindow();
}

void MainWindow::ReportFailure(const ConversionError& failure, const QString& file) {
  tarvex::ReportFailure(platform_, this, failure, file);
}

}  // namespace tarvex

#include "window/vlm1.h"

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

#include "textbox/accessible_text.h"

namespace tarvex {

namespace {

// Designer units: twips, 15 to a pixel.
constexpr int Pixels(int twips) {
  return twips / 15;
}

// The window's design size: the size it opens at where its font and the screen allow.
constexpr QSize kDesignSize(Pixels(7065), Pixels(9720));

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
Label* MakeLabel(QWidget* window, const char* name, const char* caption, Args... args) {
  auto* label = Make<Label>(window, name, args...);
  // Header fields come from files: never read them as markup.
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setText(QString::fromUtf8(caption));
  return label;
}

QPushButton* MakeButton(QWidget* window, const char* name, const char* caption, int twips) {
  auto* button = Make<QPushButton>(window, name);
  button->setText(QString::fromUtf8(caption));
  button->setMinimumWidth(Pixels(twips));  // as designed, or wider for a larger font
  // Return and Enter press a focused button, as Space does.
  button->setAutoDefault(true);
  return button;
}

PathBox* MakePathBox(QWidget* window, const char* name, const char* spoken) {
  auto* box = Make<PathBox>(window, name);
  box->setText(QStringLiteral("C:"));
  box->setAccessibleName(QString::fromUtf8(spoken));
  return box;
}

TextView* MakeBox(QWidget* window, const char* name, const char* spoken) {
  auto* box = Make<TextView>(window, name);
  box->setAccessibleName(QString::fromUtf8(spoken));
  return box;
}

// Controls side by side, the last one taking the room left.
QHBoxLayout* Side(std::initializer_list<QWidget*> controls) {
  auto* row = new QHBoxLayout;
  row->setSpacing(Pixels(105));
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

VLM1::VLM1(Platform& platform, const RegionalFormatter* formatter, QWidget* parent)
    : QWidget(parent),
      platform_(platform),
      system_formatter_(formatter == nullptr ? std::make_unique<SystemFormatter>() : nullptr),
      formatter_(formatter != nullptr ? *formatter : *system_formatter_) {
  setObjectName(QStringLiteral("VLM1"));
  setWindowTitle(QString::fromUtf8(kAppTitle));
  InstallAccessibility();

  // In the order of the window's definition.
  Text6 = MakePathBox(this, "Text6", "Archivo de informe");
  Command3 = MakeButton(this, "Command3", "&Conversion", 1335);
  Text4 = MakeBox(this, "Text4", "Salidas");
  Text3 = MakeBox(this, "Text3", "Entradas");
  Text2 = MakeBox(this, "Text2", "Texto de la descarga");
  Command2 = MakeButton(this, "Command2", "&Guardar", 1455);
  Text1 = MakePathBox(this, "Text1", "Archivo de descarga");
  CommonDialog1 = new CommonDialog(platform_, this);
  CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
  Command1 = MakeButton(this, "Command1", "&Abrir", 1455);
  Label12 = MakeLabel<FieldLabel>(this, "Label12", "XXXX", "00/00/0000 00:00:00 ");
  Label11 = MakeLabel(this, "Label11", "Descargado:");
  Label10 = MakeLabel<FieldLabel>(this, "Label10", "XXXX", "XXXX");
  Label9 = MakeLabel(this, "Label9", "SALIDAS:");
  Label8 = MakeLabel(this, "Label8", "ENTRADAS:");
  Label7 = MakeLabel(this, "Label7", "TOTAL:");
  Label6 = MakeLabel<FieldLabel>(this, "Label6", "0", "0000000");
  Label5 = MakeLabel<FieldLabel>(this, "Label5", "0", "0000000");
  Label4 = MakeLabel<FieldLabel>(this, "Label4", "0", "0000000");
  Label3 = MakeLabel(this, "Label3", "Contador:");
  Label2 = MakeLabel<FieldLabel>(this, "Label2", "0", "000000");
  Label1 = MakeLabel(this, "Label1", "S/N:");
  Command4 = MakeButton(this, "Command4", "&Resumen", 0);  // as wide as its caption needs
  Command4->setEnabled(false);
  counts_notice_ = new Notice(this);

  // Each value is labelled by its caption for assistive technology (the caption's buddy:
  // Qt tells a screen reader that the one labels the other).
  for (const auto& [caption, value] : {std::pair{Label8, Label6},
                                       {Label9, Label5},
                                       {Label1, Label10},
                                       {Label7, Label4},
                                       {Label3, Label2},
                                       {Label11, Label12}}) {
    caption->setBuddy(value);
  }

  // The design's arrangement, in a grid that grows: the path boxes, the file text and the
  // two lists take the room there is; every caption, field and button gets what its font
  // needs. Top to bottom: Abrir and its path; the file text; entries beside exits; the
  // counts; Conversion, serial number and total; counter and download date; Guardar and its
  // path.
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(Pixels(120), Pixels(120), Pixels(210), Pixels(225));
  grid->setHorizontalSpacing(Pixels(225));
  grid->setVerticalSpacing(Pixels(105));
  grid->addLayout(Side({Command1, Text1}), 0, 0, 1, 2);
  grid->addWidget(Text2, 1, 0, 1, 2);
  grid->addWidget(Text3, 2, 0);
  grid->addWidget(Text4, 2, 1);
  grid->addLayout(Side({Label8, Label6}), 3, 0);
  grid->addLayout(Side({Label9, Label5}), 3, 1);
  grid->addLayout(Side({Command3, Label1, Label10}), 4, 0);
  QHBoxLayout* total = Side({Label7, Label4, Command4});
  total->setStretch(1, 1);
  total->setStretch(2, 0);
  grid->addLayout(total, 4, 1);
  grid->addLayout(Side({Label3, Label2}), 5, 0);
  grid->addLayout(Side({Label11, Label12}), 5, 1);
  grid->addLayout(Side({Command2, Text6}), 6, 0, 1, 2);
  grid->setRowStretch(1, 1215);
  grid->setRowStretch(2, 5415);
  grid->setColumnStretch(0, 3375);
  grid->setColumnStretch(1, 3135);
  // Each list line on one row, in the regional forms in use, whatever the font.
  const QString widest = WidestListLine();
  Text3->SetWidestLine(widest);
  Text4->SetWidestLine(widest);
  resize(InitialSize());

  Text4->SetSource(&State().ExitList);
  Text3->SetSource(&State().EntryList);
  Text2->SetSource(&State().FileText);

  // A screen reader reads the controls in the order they are kept in: as they are seen, row
  // by row, left to right, each caption before its value.
  for (QWidget* control : std::initializer_list<QWidget*>{
           Command1, Text1,    Text2,   Text3,    Text4,  Label8,        Label6,   Label9,
           Label5,   Command3, Label1,  Label10,  Label7, Label4,        Command4, Label3,
           Label2,   Label11,  Label12, Command2, Text6,  counts_notice_}) {
    control->raise();
  }

  // Tab order: Command1, Text1, Command2, Text2, Text3, Text4, Command3, Text6; then Resumen.
  QWidget* order[] = {Command1, Text1, Command2, Text2, Text3, Text4, Command3, Text6, Command4};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  Command1->setFocus();  // the first in tab order has the focus at start

  // Alt+F4 closes the window even where no window manager provides it.
  auto* close_key = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
  connect(close_key, &QShortcut::activated, this, &QWidget::close);

  // One local file dropped on the window opens as if chosen in the Open dialog.
  setAcceptDrops(true);

  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });

  Form_Load();
}

// The widest a list line may be: a date and a time with two-digit fields, morning and
// evening, as the formatter writes them.
QString VLM1::WidestListLine() const {
  using namespace std::chrono;
  QString widest;
  const QFontMetricsF metrics(Text3->font());
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
QSize VLM1::InitialSize() const {
  QSize size = kDesignSize.expandedTo(minimumSizeHint());
  if (const QScreen* screen = this->screen()) {
    constexpr int kFrame = 48;  // left for the window manager's title bar and borders
    const QSize room = screen->availableGeometry().size() - QSize(kFrame, kFrame);
    size = size.boundedTo(room).expandedTo(minimumSizeHint());
  }
  return size;
}

void VLM1::Form_Load() {
  // The session starts in the state after start-up.
  CommonDialog1->Filter = QStringLiteral("Texto (*.txt)|*.txt|Velmor(*.vlm;*.rbs)|*.vlm;*.rbs");
}

void VLM1::ShowCounts() {
  Label4->setText(QString::number(State().TotalCount));
  Label5->setText(QString::number(State().ExitCount));
  Label6->setText(QString::number(State().EntryCount));
}

// The file text, both lists, the counts and the header fields, as the state holds them.
void VLM1::ShowState() {
  Text2->Refresh();
  Text3->Refresh();
  Text4->Refresh();
  ShowCounts();
  Label2->setText(Shown(State().GlobalCounter));
  Label10->setText(Shown(State().SerialNumber));
  Label12->setText(Shown(State().DownloadDate));
}

void VLM1::Command1_Click() {
  // A cancelled dialog ends the command before anything changes.
  const std::optional<QString> chosen = CommonDialog1->ShowOpen(this);
  if (chosen) OpenDownload(*chosen);
}

void VLM1::OpenDownload(const QString& given) {
  // Absolute, so that the next dialog starts in its folder whatever the working folder.
  const QString path = given.isEmpty() ? given : QFileInfo(given).absoluteFilePath();
  CommonDialog1->OpenName = path;
  Text1->setText(path);
  // What was summed up was the file before.
  Command4->setEnabled(false);
  if (Resumen != nullptr) Resumen->hide();
  std::optional<ConversionError> failed = Attempt([&] { session_.Open(PathOf(path)); });
  const std::optional<ConversionError> not_shown = Attempt([&] { ShowState(); });
  if (!failed) failed = not_shown;
  if (failed) ReportFailure(*failed, path);
}

void VLM1::TellRegionalNotices() {
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

void VLM1::Command3_Click() {
  TellRegionalNotices();
  std::optional<ConversionError> failed;
  {
    const BusyCursor busy(platform_);
    failed = Attempt([&] { session_.Convert(formatter_); });
    Command4->setEnabled(!failed && !session_.Download().empty());
    // After a failure too: what was counted and listed before it stays shown.
    const std::optional<ConversionError> not_shown = Attempt([&] {
      ShowCounts();
      Text4->Refresh();
      Text3->Refresh();
    });
    if (!failed) failed = not_shown;
  }
  // The pointer is back to normal before the message shows.
  if (failed) return ReportFailure(*failed);
  // What a screen reader says once the lists are made: the counts, each after its caption.
  QStringList counts;
  for (const QLabel* caption : {Label8, Label9, Label7}) {
    counts << caption->text() + QLatin1Char(' ') + static_cast<QLabel*>(caption->buddy())->text();
  }
  counts_notice_->Tell(counts.join(QStringLiteral(", ")));
}

void VLM1::Command2_Click() {
  // The first report starts in the download's folder, with no name; a report never in the
  // open download: its folder is proposed instead, rather than a file the report must not go
  // into.
  QString& name = CommonDialog1->SaveName;
  if (name.isEmpty() && !CommonDialog1->OpenName.isEmpty()) {
    name = QFileInfo(CommonDialog1->OpenName).absolutePath();
  }
  if (session_.IsOpenDownload(PathOf(name))) name = QFileInfo(name).absolutePath();
  const std::optional<QString> chosen = CommonDialog1->ShowSave(this);
  if (!chosen) return;
  Text6->setText(*chosen);
  std::optional<ConversionError> failed;
  {
    // Under the busy pointer while another program writing the same file is waited for.
    const BusyCursor busy(platform_);
    failed = Attempt([&] { session_.Save(PathOf(Text6->text()), LockWait{report_wait_, {}}); });
  }
  if (failed) ReportFailure(*failed, Text6->text());
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

void VLM1::dragEnterEvent(QDragEnterEvent* event) {
  dragMoveEvent(event);
}

// A refused drag shows the no-drop pointer.
void VLM1::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedFile(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void VLM1::dropEvent(QDropEvent* event) {
  const std::optional<QString> file = DroppedFile(event->mimeData());
  if (!file) return event->ignore();
  event->acceptProposedAction();
  // After the drop has finished: a failure box must not hold the drag's source waiting.
  QTimer::singleShot(0, this, [this, path = *file] {
    activateWindow();
    OpenDownload(path);
  });
}

void VLM1::Command4_Click() {
  std::optional<ConversionError> failed;
  {
    const BusyCursor busy(platform_);
    if (Resumen == nullptr) Resumen = new SummaryWindow(platform_, session_, formatter_, this);
    failed = Attempt([&] { Resumen->Refresh(); });
  }
  if (failed) return ReportFailure(*failed);
  Resumen->show();
  Resumen->raise();
  Resumen->activateWindow();
}

void VLM1::ReportFailure(const ConversionError& failure, const QString& file) {
  tarvex::ReportFailure(platform_, this, failure, file);
}

}  // namespace tarvex

#include "window/vlm1.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <new>
#include <optional>

namespace tarvex {

namespace {

// Designer units: twips, 15 to a pixel.
QRect Twips(int left, int top, int width, int height) {
  return {left / 15, top / 15, width / 15, height / 15};
}

template <typename Control>
Control* Make(QWidget* window, const char* name, QRect geometry) {
  auto* control = new Control(window);
  control->setObjectName(QLatin1String(name));
  control->setGeometry(geometry);
  return control;
}

QLabel* MakeLabel(QWidget* window, const char* name, const char* caption, QRect geometry) {
  auto* label = Make<QLabel>(window, name, geometry);
  // Header fields come from files: never read them as markup.
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setText(QString::fromUtf8(caption));
  return label;
}

QPushButton* MakeButton(QWidget* window, const char* name, const char* caption, QRect geometry) {
  auto* button = Make<QPushButton>(window, name, geometry);
  button->setText(QString::fromUtf8(caption));
  // Return and Enter press a focused button, as Space does.
  button->setAutoDefault(true);
  return button;
}

QLineEdit* MakePathBox(QWidget* window, const char* name, QRect geometry) {
  auto* box = Make<QLineEdit>(window, name, geometry);
  box->setText(QStringLiteral("C:"));
  // It shows the path chosen in the dialog; typing one would do nothing. Still selectable.
  box->setReadOnly(true);
  return box;
}

// A path typed or chosen in the window, as the file system spells it.
std::filesystem::path PathOf(const QString& text) {
  return std::filesystem::path(QFile::encodeName(text).toStdString());
}

// The design sizes were made for a narrower font than most desktops use. A caption wider
// than its label grows to the right, and the value label beside it gives up that room,
// keeping its right edge; everything else stays where it was designed.
void FitCaption(QLabel* caption, QLabel* value) {
  const int needed = caption->fontMetrics().horizontalAdvance(caption->text()) + 2;
  if (needed <= caption->width()) return;
  caption->resize(needed, caption->height());
  if (value == nullptr) return;
  const int gap = 4;
  const int left = caption->x() + needed + gap;
  if (left > value->x()) {
    const int right = value->geometry().right();
    value->setGeometry(left, value->y(), right - left + 1, value->height());
  }
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
  setFixedSize(7065 / 15, 9720 / 15);

  // In the order of the window's definition.
  Text6 = MakePathBox(this, "Text6", Twips(1680, 9120, 5175, 375));
  Command3 = MakeButton(this, "Command3", "&Conversion", Twips(120, 8040, 1335, 375));
  Text4 = Make<TextView>(this, "Text4", Twips(3720, 2160, 3135, 5415));
  Text3 = Make<TextView>(this, "Text3", Twips(120, 2160, 3375, 5415));
  Text2 = Make<TextView>(this, "Text2", Twips(120, 720, 6735, 1215));
  Command2 = MakeButton(this, "Command2", "&Guardar", Twips(120, 9120, 1455, 375));
  Text1 = MakePathBox(this, "Text1", Twips(1680, 120, 5175, 375));
  CommonDialog1 = new CommonDialog(platform_, this);
  CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
  Command1 = MakeButton(this, "Command1", "&Abrir", Twips(120, 120, 1455, 375));
  Label12 = MakeLabel(this, "Label12", "XXXX", Twips(4800, 8640, 2055, 255));
  Label11 = MakeLabel(this, "Label11", "Descargado:", Twips(3720, 8640, 975, 375));
  Label10 = MakeLabel(this, "Label10", "XXXX", Twips(2280, 8160, 1215, 375));
  Label9 = MakeLabel(this, "Label9", "SALIDAS:", Twips(3720, 7680, 735, 255));
  Label8 = MakeLabel(this, "Label8", "ENTRADAS:", Twips(120, 7680, 975, 255));
  Label7 = MakeLabel(this, "Label7", "TOTAL:", Twips(3720, 8160, 735, 255));
  Label6 = MakeLabel(this, "Label6", "0", Twips(1200, 7680, 1215, 255));
  Label5 = MakeLabel(this, "Label5", "0", Twips(4560, 7680, 1095, 255));
  Label4 = MakeLabel(this, "Label4", "0", Twips(4560, 8160, 975, 255));
  Label3 = MakeLabel(this, "Label3", "Contador:", Twips(120, 8640, 855, 375));
  Label2 = MakeLabel(this, "Label2", "0", Twips(1080, 8640, 2415, 255));
  Label1 = MakeLabel(this, "Label1", "S/N:", Twips(1560, 8160, 615, 375));

  FitCaption(Label8, Label6);
  FitCaption(Label9, Label5);
  FitCaption(Label1, Label10);
  FitCaption(Label7, Label4);
  FitCaption(Label3, Label2);
  FitCaption(Label11, Label12);

  Text4->SetSource(&State().ExitList);
  Text3->SetSource(&State().EntryList);
  Text2->SetSource(&State().FileText);

  // Tab order: Command1, Text1, Command2, Text2, Text3, Text4, Command3, Text6.
  QWidget* order[] = {Command1, Text1, Command2, Text2, Text3, Text4, Command3, Text6};
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

  Form_Load();
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

void VLM1::OpenDownload(const QString& path) {
  CommonDialog1->FileName = path;
  Text1->setText(path);
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
    // After a failure too: what was counted and listed before it stays shown.
    const std::optional<ConversionError> not_shown = Attempt([&] {
      ShowCounts();
      Text4->Refresh();
      Text3->Refresh();
    });
    if (!failed) failed = not_shown;
  }
  // The pointer is back to normal before the message shows.
  if (failed) ReportFailure(*failed);
}

void VLM1::Command2_Click() {
  // The name carried over from Open is often the download itself: start in its folder
  // instead, with no name, rather than propose a file the report must not go into.
  if (session_.IsOpenDownload(PathOf(CommonDialog1->FileName))) {
    CommonDialog1->FileName = QFileInfo(CommonDialog1->FileName).absolutePath();
  }
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

void VLM1::ReportFailure(const ConversionError& failure, const QString& file) {
  QString text = QStringLiteral("Número de error: ") + QString::number(failure.Number()) +
                 QLatin1Char('\n') + QStringLiteral("Descripción del error: ") +
                 QString::fromUtf8(failure.Description());
  if (!file.isNull()) text += QStringLiteral("\nArchivo: ") + file;
  platform_.ShowCriticalMessage(this, QString::fromUtf8(kAppTitle), text);
}

}  // namespace tarvex

#pragma once

#include <QWidget>
#include <chrono>
#include <filesystem>
#include <memory>

#include "base/conversion_error.h"
#include "conversion/conversion_session.h"
#include "conversion/regional_format.h"
#include "textbox/accessible_text.h"
#include "textbox/text_view.h"
#include "window/common_dialog.h"
#include "window/platform.h"
#include "window/summary_window.h"
#include "window/window_constants.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvex {

// The program's one window: a view of one conversion session. Each button shows its dialog,
// hands the chosen path to the session's command, and shows the state or the failure.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // `platform` provides the dialogs and the pointer; `formatter` the regional date and time
  // forms (nullptr: this machine's regional settings). Both must outlive the window.
  explicit MainWindow(Platform& platform, const RegionalFormatter* formatter = nullptr,
                      QWidget* parent = nullptr);

  const ConversionState& State() const { return session_.State(); }

  // The download named on the command line, which the parser gives as `argument`: the bytes of
  // the last of `argv` (argc of them, the program first) that decodes to it, so that a name
  // that is not UTF-8, which no decoded text keeps, still opens.
  static std::filesystem::path CommandLineDownload(const QString& argument, int argc, char* argv[]);

  // How long a Save waits for another program writing the same report file before it gives
  // up with failure 56, writing nothing.
  void SetReportWait(std::chrono::milliseconds wait) { report_wait_ = wait; }

 public slots:
  // Abrir: choose a download file, then openDownload.
  void open();
  // Opens `path` as choosing it in the Open dialog does: the dialog keeps the name, the
  // download's path box shows it, the session reads it, the window shows its text and header
  // or the failure. The start-up argument and a file dropped on the window come here too.
  void openDownload(const QString& path);
  // The same for a path as the file system spells it, which a name that is not UTF-8 keeps.
  void openDownload(const std::filesystem::path& path);
  // Conversion: scan the records, build both lists, show counts and lists.
  void convert();
  // Guardar: choose a report file and append the report to it.
  void save();
  // Resumen: what the counts of the converted download say, in a window of its own.
  void showSummary();

 public:
  // The controls, top to bottom as seen. Each count and header field has a caption, its buddy.
  QPushButton* openButton;
  PathBox* downloadPathBox;
  TextView* downloadTextBox;
  TextView* entriesBox;
  TextView* exitsBox;
  QLabel* entriesCaption;
  QLabel* entryCount;
  QLabel* exitsCaption;
  QLabel* exitCount;
  QPushButton* convertButton;
  QLabel* serialCaption;
  QLabel* serialLabel;
  QLabel* totalCaption;
  QLabel* totalCount;
  QPushButton* summaryButton;  // Resumen, enabled after a Conversion
  QLabel* counterCaption;
  QLabel* counterLabel;
  QLabel* downloadDateCaption;
  QLabel* downloadDateLabel;
  QPushButton* saveButton;
  PathBox* reportPathBox;
  CommonDialog* fileDialog;
  SummaryWindow* summaryWindow = nullptr;  // once opened

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The failure box: number and description, then the file for a command that has one.
  void ReportFailure(const ConversionError& failure, const QString& file = QString());
  QSize InitialSize() const;
  QString WidestListLine() const;
  void ShowCounts();
  void ShowState();
  // Once in the window's life, before the first list: what the user must know of the
  // regional forms (a locale that is not installed, a form that falls back).
  void TellRegionalNotices();

  Platform& platform_;
  std::unique_ptr<SystemFormatter> system_formatter_;
  const RegionalFormatter& formatter_;
  ConversionSession session_;
  bool notices_told_ = false;
  Notice* counts_notice_ = nullptr;  // tells a screen reader the counts after a Conversion
  std::chrono::milliseconds report_wait_ = kLockWait;
};

}  // namespace tarvex

#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "base/conversion_error.h"
#include "window/window_constants.h"

class QTranslator;
class QWidget;

namespace tarvex {

// Replace: a Save dialog for a file written whole (a workbook), which asks before an existing
// file is replaced and gives a name without an extension that of the choice in use; a name it
// hands back is one the user agreed to replace.
enum class FileDialogMode { Open, Save, Replace };

// What the window needs from the desktop: the modal file dialog, the modal error box and
// the mouse pointer. The program passes the real Qt implementation; tests pass a fake.
class Platform {
 public:
  virtual ~Platform() = default;

  // Shows the file dialog modally over `parent`, offering `name_filters` (Qt name filters)
  // with `name_filter` selected, starting from `file_name` (a folder: in it, with no name).
  // Returns the chosen file name, with the filter in use in `name_filter`, or nothing when
  // the user cancels.
  virtual std::optional<QString> ShowFileDialog(QWidget* parent, FileDialogMode mode,
                                                const QStringList& name_filters,
                                                QString& name_filter, const QString& file_name) = 0;

  // Shows a modal message box with the critical icon and one OK button; `text` is plain.
  virtual void ShowCriticalMessage(QWidget* parent, const QString& title, const QString& text) = 0;

  // Shows a modal message box with the warning icon and one OK button; `text` is plain.
  virtual void ShowWarningMessage(QWidget* parent, const QString& title, const QString& text) = 0;

  // Shows the hourglass (busy) or the default pointer.
  virtual void SetBusyCursor(bool busy) = 0;
};

// Shows the failure box: the failure's number and description, then the file for a command
// that has one (a null `file`: none).
void ReportFailure(Platform& platform, QWidget* parent, const ConversionError& failure,
                   const QString& file = QString());

// The hourglass for as long as it lives: the default pointer comes back on every way out of
// a command, a failure included.
class BusyCursor {
 public:
  explicit BusyCursor(Platform& platform) : platform_(platform) { platform_.SetBusyCursor(true); }
  ~BusyCursor() { platform_.SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  Platform& platform_;
};

// The real dialogs and pointer, through Qt.
class QtPlatform final : public Platform {
 public:
  std::optional<QString> ShowFileDialog(QWidget* parent, FileDialogMode mode,
                                        const QStringList& name_filters, QString& name_filter,
                                        const QString& file_name) override;
  void ShowCriticalMessage(QWidget* parent, const QString& title, const QString& text) override;
  void ShowWarningMessage(QWidget* parent, const QString& title, const QString& text) override;
  void SetBusyCursor(bool busy) override;
};

// Loads Qt's own texts (dialog buttons and titles) in Spanish into `translator`: from where
// this Qt keeps its translations, else from where Debian's qt6-translations-l10n puts them.
// Returns false when neither has them; Qt's texts then stay in English.
bool LoadQtSpanish(QTranslator& translator);

}  // namespace tarvex

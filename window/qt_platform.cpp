#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "window/common_dialog.h"
#include "window/platform.h"

namespace tarvex {

namespace {

// The failure box's texts go through Text::tr(), in the translation context "tarvex".
struct Text {
  Q_DECLARE_TR_FUNCTIONS(tarvex)
};

// Gives the keyboard back to the window once a modal box closes, so its access keys work at
// once even where no window manager hands the focus back.
void Reactivate(QWidget* parent) {
  if (parent != nullptr) parent->activateWindow();
}

}  // namespace

std::optional<QString> QtPlatform::ShowFileDialog(QWidget* parent, FileDialogMode mode,
                                                  const QStringList& name_filters,
                                                  QString& name_filter, const QString& file_name) {
  QFileDialog dialog(parent);
  // Qt's own dialog: the same on every desktop, and translated with the rest of Qt.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // Each filter carries its caption first and its patterns in a last "(...)": show only
  // the caption.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(name_filters);
  if (!name_filter.isEmpty()) dialog.selectNameFilter(name_filter);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (mode == FileDialogMode::Save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The report is appended to an existing file: nothing to confirm.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else if (mode == FileDialogMode::Replace) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog's own question before a file is replaced, about the name with its extension.
    const QStringList patterns = ChosenPatterns(name_filters, name_filter);
    if (patterns.size() == 1 && patterns.front().startsWith(QStringLiteral("*."))) {
      dialog.setDefaultSuffix(patterns.front().mid(2));
    }
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
  }
  if (QFileInfo(file_name).isDir()) {
    dialog.setDirectory(file_name);
  } else if (!file_name.isEmpty()) {
    dialog.selectFile(file_name);
  }
  const int result = dialog.exec();
  Reactivate(parent);
  if (result != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  name_filter = dialog.selectedNameFilter();
  return chosen.front();
}

namespace {

void ShowMessage(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                 const QString& text) {
  QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  Reactivate(parent);
}

}  // namespace

void QtPlatform::ShowCriticalMessage(QWidget* parent, const QString& title, const QString& text) {
  ShowMessage(QMessageBox::Critical, parent, title, text);
}

void QtPlatform::ShowWarningMessage(QWidget* parent, const QString& title, const QString& text) {
  ShowMessage(QMessageBox::Warning, parent, title, text);
}

void QtPlatform::SetBusyCursor(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void ReportFailure(Platform& platform, QWidget* parent, const ConversionError& failure,
                   const QString& file) {
  QString text = Text::tr("Número de error: ") + QString::number(failure.Number()) +
                 QLatin1Char('\n') + Text::tr("Descripción del error: ") +
                 QString::fromUtf8(failure.Description());
  if (!file.isNull()) {
    text += QLatin1Char('\n') + Text::tr("Archivo: ") + file;
  }
  platform.ShowCriticalMessage(parent, QString::fromUtf8(kAppTitle), text);
}

bool LoadQtSpanish(QTranslator& translator) {
  const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                             QStringLiteral("/usr/share/qt6/translations")};
  for (const QString& folder : folders) {
    if (translator.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        folder)) {
      return true;
    }
  }
  return false;
}

}  // namespace tarvex

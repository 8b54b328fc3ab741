#include "window/common_dialog.h"

namespace tarvex {

CommonDialog::CommonDialog(Platform& platform, QObject* parent)
    : QObject(parent), platform_(platform) {}

QStringList CommonDialog::NameFilters() const {
  const QStringList parts = Filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters;
}

std::optional<QString> CommonDialog::ShowOpen(QWidget* parent) {
  return Show(parent, FileDialogMode::Open);
}

std::optional<QString> CommonDialog::ShowSave(QWidget* parent) {
  return Show(parent, FileDialogMode::Save);
}

std::optional<QString> CommonDialog::Show(QWidget* parent, FileDialogMode mode) {
  const QStringList filters = NameFilters();
  QString filter = filters.value(FilterIndex - 1);
  std::optional<QString> chosen = platform_.ShowFileDialog(parent, mode, filters, filter, FileName);
  if (chosen) {
    FileName = *chosen;
    if (filters.contains(filter)) FilterIndex = static_cast<int>(filters.indexOf(filter)) + 1;
  }
  return chosen;
}

}  // namespace tarvex

#include "window/common_dialog.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "window/window_constants.h"

namespace tarvex {

namespace {

// The patterns a name filter names: "Velmor (*.vlm *.rbs)" and "Velmor(*.vlm;*.rbs)" both
// give *.vlm and *.rbs.
QStringList Patterns(const QString& name_filter) {
  static const QRegularExpression kLast(QStringLiteral("\\(([^()]*)\\)\\s*$"));
  const QRegularExpressionMatch match = kLast.match(name_filter);
  if (!match.hasMatch()) return {};
  return match.captured(1).split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
}

}  // namespace

QStringList ChosenPatterns(const QStringList& name_filters, const QString& name_filter) {
  QStringList chosen;
  for (const QString& offered : name_filters) {
    // By its patterns, or by its caption where the dialog hands back only that.
    if (Patterns(offered) == Patterns(name_filter) ||
        (Patterns(name_filter).isEmpty() && offered.startsWith(name_filter.trimmed()))) {
      chosen = Patterns(offered);
    }
  }
  return chosen;
}

QString WithExtension(const QString& name, const QStringList& patterns) {
  static const QRegularExpression kOneExtension(QStringLiteral("^\\*(\\.[^*?.\\[\\]]+)$"));
  const QRegularExpressionMatch match =
      patterns.size() == 1 ? kOneExtension.match(patterns.front()) : QRegularExpressionMatch();
  if (!match.hasMatch() || QFileInfo(name).fileName().contains(QLatin1Char('.'))) return name;
  return name + match.captured(1);
}

CommonDialog::CommonDialog(Platform& platform, QObject* parent)
    : QObject(parent),
      platform_(platform),
      open_patterns_(QString::fromUtf8(kDownloadPatterns).split(QLatin1Char(';'))),
      save_patterns_(QString::fromUtf8(kTextPatterns).split(QLatin1Char(';'))) {}

QString CommonDialog::Choice(const char* caption, const char* patterns) {
  const QString listed = QString::fromUtf8(patterns);
  return tr(caption).arg(listed) + QLatin1Char('|') + listed;
}

QStringList CommonDialog::NameFilters(FileDialogMode mode) const {
  const QStringList parts = Filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString filter = parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    // Open lists the downloads first, Save the text files.
    const bool first = (Patterns(filter).join(QLatin1Char(';')) ==
                        QString::fromUtf8(kTextPatterns)) == (mode == FileDialogMode::Save);
    if (first) {
      filters.prepend(filter);
    } else {
      filters.append(filter);
    }
  }
  filters.append(tr(kAllFiles));
  return filters;
}

std::optional<QString> CommonDialog::ShowOpen(QWidget* parent) {
  return Show(parent, FileDialogMode::Open);
}

std::optional<QString> CommonDialog::ShowSave(QWidget* parent) {
  return Show(parent, FileDialogMode::Save);
}

std::optional<QString> CommonDialog::Show(QWidget* parent, FileDialogMode mode) {
  QStringList& remembered = mode == FileDialogMode::Open ? open_patterns_ : save_patterns_;
  const QStringList filters = NameFilters(mode);
  QString filter = filters.front();
  for (const QString& offered : filters) {
    if (Patterns(offered) == remembered) filter = offered;
  }
  QString& name = mode == FileDialogMode::Open ? OpenName : SaveName;
  std::optional<QString> chosen = platform_.ShowFileDialog(parent, mode, filters, filter, name);
  if (!chosen) return chosen;
  if (const QStringList chosen_patterns = ChosenPatterns(filters, filter);
      !chosen_patterns.isEmpty()) {
    remembered = chosen_patterns;
  }
  if (mode == FileDialogMode::Save) *chosen = WithExtension(*chosen, remembered);
  name = *chosen;
  return chosen;
}

}  // namespace tarvex

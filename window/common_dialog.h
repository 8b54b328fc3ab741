#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

#include "window/platform.h"

class QWidget;

namespace tarvex {

// The window's one file dialog. Each kind of dialog, Open and Save, keeps the file chosen in it
// last and starts there the next time: Open at the last download, Save at the
// last report, so that neither proposes the other's file. Each kind of dialog offers Filter's
// choices in its own order, downloads first for Open and text first for Save, then "Todos los
// archivos (*)", and starts with the choice made in it last, known by the files it matches (a
// dialog that hides the patterns hands back only the caption).
class CommonDialog : public QObject {
  Q_OBJECT

 public:
  CommonDialog(Platform& platform, QObject* parent);

  // One choice in Filter's form: `caption` ("%1" standing for the patterns), then `patterns`.
  static QString Choice(const char* caption, const char* patterns);

  // Filter in the "caption|patterns|caption|patterns" form, patterns separated by ";".
  QString Filter;
  // The file each kind chose last, absolute; a folder: the next dialog of that kind starts in
  // it, with no name.
  QString OpenName;
  QString SaveName;

  // Show the dialog as an Open or a Save dialog. The chosen name becomes that kind's name and is
  // returned; a cancelled dialog returns nothing and changes nothing. A Save name with no
  // extension gets ".txt" when the choice in use is the text files' (WithExtension).
  std::optional<QString> ShowOpen(QWidget* parent);
  std::optional<QString> ShowSave(QWidget* parent);

  // The choices a dialog of `mode` offers, as Qt name filters "caption (pattern pattern)".
  QStringList NameFilters(FileDialogMode mode) const;

 private:
  std::optional<QString> Show(QWidget* parent, FileDialogMode mode);

  Platform& platform_;
  QStringList open_patterns_;
  QStringList save_patterns_;
};

// The patterns of the choice in use when a file dialog that offered `name_filters` hands back
// `name_filter`: known by its patterns, or by its caption where the dialog hands back only
// that. Empty when it is none of them.
QStringList ChosenPatterns(const QStringList& name_filters, const QString& name_filter);

// A name chosen in a Save dialog, given the extension of the choice in use when the name has
// none and the choice is one "*.ext" pattern: "informe" under "*.txt" becomes "informe.txt".
QString WithExtension(const QString& name, const QStringList& patterns);

}  // namespace tarvex

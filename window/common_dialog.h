#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

#include "window/platform.h"

class QWidget;

namespace tarvex {

// The window's one file dialog. It keeps its filter, the filter chosen last and its file
// name between uses, so what was chosen in one Open or Save is where the next one starts.
class CommonDialog : public QObject {
 public:
  CommonDialog(Platform& platform, QObject* parent);

  // Filter in the "caption|patterns|caption|patterns" form, patterns separated by ";".
  QString Filter;
  int FilterIndex = 1;  // the pair of Filter in use, from 1
  QString FileName;     // a folder: the next dialog starts in it, with no name

  // Show the dialog as an Open or a Save dialog. The chosen name becomes FileName and is
  // returned; a cancelled dialog returns nothing and changes nothing.
  std::optional<QString> ShowOpen(QWidget* parent);
  std::optional<QString> ShowSave(QWidget* parent);

  // The Filter as Qt name filters: "caption (pattern pattern)" for each pair.
  QStringList NameFilters() const;

 private:
  std::optional<QString> Show(QWidget* parent, FileDialogMode mode);

  Platform& platform_;
};

}  // namespace tarvex

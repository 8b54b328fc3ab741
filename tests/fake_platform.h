#pragma once

#include <QStringList>

#include "window/platform.h"

namespace tarvex::testing {

// Stands in for the desktop: answers file dialogs from a queue (nothing queued: cancelled)
// and records every dialog, pointer change and message box.
struct FakePlatform final : Platform {
  QStringList answers;
  QStringList filters;  // the filter each answered dialog returns as chosen (none: unchanged)
  QStringList dialogs;  // "Open|filters|filter selected|name it started from", "Save|..."
  QStringList log;      // "busy", "idle", each failure box's "title|text" and warning's
                        // "warning|title|text", in order

  std::optional<QString> ShowFileDialog(QWidget*, FileDialogMode mode, const QStringList& names,
                                        QString& filter, const QString& file_name) override {
    dialogs << (mode == FileDialogMode::Open ? "Open|" : "Save|") + names.join(';') + '|' + filter +
                   '|' + file_name;
    if (answers.isEmpty()) return std::nullopt;
    if (!filters.isEmpty()) filter = filters.takeFirst();
    return answers.takeFirst();
  }
  void ShowCriticalMessage(QWidget*, const QString& title, const QString& text) override {
    log << title + QLatin1Char('|') + text;
  }
  void ShowWarningMessage(QWidget*, const QString& title, const QString& text) override {
    log << "warning|" + title + QLatin1Char('|') + text;
  }
  void SetBusyCursor(bool busy) override { log << (busy ? "busy" : "idle"); }
};

}  // namespace tarvex::testing

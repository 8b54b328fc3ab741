#pragma once

#include <QStringList>

#include "window/platform.h"

namespace tarvex::testing {

// Stands in for the desktop: answers file dialogs from a queue (nothing queued: cancelled)
// and records every dialog, pointer change and message box.
struct FakePlatform final : Platform {
  QStringList answers;
  QStringList dialogs;  // "Open|filters|name it started from", "Save|..."
  QStringList log;      // "busy", "idle" and each message box's "title|text", in order

  std::optional<QString> ShowFileDialog(QWidget*, FileDialogMode mode, const QStringList& names,
                                        const QString& file_name) override {
    dialogs << (mode == FileDialogMode::Open ? "Open|" : "Save|") + names.join(';') + '|' +
                   file_name;
    if (answers.isEmpty()) return std::nullopt;
    return answers.takeFirst();
  }
  void ShowCriticalMessage(QWidget*, const QString& title, const QString& text) override {
    log << title + QLatin1Char('|') + text;
  }
  void SetBusyCursor(bool busy) override { log << (busy ? "busy" : "idle"); }
};

}  // namespace tarvex::testing

#pragma once

#include <QStringList>
#include <vector>

#include "window/platform.h"

namespace tarvex::testing {

// Stands in for the desktop: answers file dialogs from a queue (nothing queued: cancelled)
// and records every dialog, message and pointer change.
struct FakePlatform final : Platform {
  QStringList answers;
  std::vector<FileDialogMode> modes;
  QStringList filters;               // those of the last dialog
  QStringList file_names;            // the name each dialog started from
  QStringList messages;              // "title|text"
  std::vector<int> busy_at_message;  // pointer depth while each message showed
  std::vector<bool> cursor_log;      // true: hourglass, false: back to default
  int busy_depth = 0;

  std::optional<QString> ShowFileDialog(QWidget*, FileDialogMode mode, const QStringList& names,
                                        const QString& file_name) override {
    modes.push_back(mode);
    filters = names;
    file_names << file_name;
    if (answers.isEmpty()) return std::nullopt;
    return answers.takeFirst();
  }
  void ShowCriticalMessage(QWidget*, const QString& title, const QString& text) override {
    messages << title + QLatin1Char('|') + text;
    busy_at_message.push_back(busy_depth);
  }
  void SetBusyCursor(bool busy) override {
    cursor_log.push_back(busy);
    busy_depth += busy ? 1 : -1;
  }
};

}  // namespace tarvex::testing

#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "window/platform.h"

namespace tarvex::testing {

// Stands in for the desktop: answers file dialogs from a queue (nothing queued: cancelled)
// and records every dialog, message and pointer change.
class FakePlatform final : public Platform {
 public:
  struct DialogCall {
    FileDialogMode mode;
    QStringList filters;
    QString file_name;
  };

  std::deque<std::optional<QString>> answers;
  std::vector<DialogCall> dialogs;
  QStringList titles;
  QStringList messages;
  std::vector<int> busy_at_message;  // pointer depth while each message showed
  std::vector<bool> cursor_log;      // true: hourglass, false: back to default
  int busy_depth = 0;

  std::optional<QString> ShowFileDialog(QWidget*, FileDialogMode mode,
                                        const QStringList& name_filters,
                                        const QString& file_name) override {
    dialogs.push_back({mode, name_filters, file_name});
    if (answers.empty() || !answers.front().has_value()) {
      if (!answers.empty()) answers.pop_front();
      return std::nullopt;
    }
    const QString answer = *answers.front();
    answers.pop_front();
    return answer;
  }

  void ShowCriticalMessage(QWidget*, const QString& title, const QString& text) override {
    titles << title;
    messages << text;
    busy_at_message.push_back(busy_depth);
  }

  void SetBusyCursor(bool busy) override {
    cursor_log.push_back(busy);
    busy_depth += busy ? 1 : -1;
  }
};

}  // namespace tarvex::testing

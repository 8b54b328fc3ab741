#pragma once

// What the window tests share: a fake desktop, the main window over it driven through its
// access keys, the reference files, the failure box's text, and the check that nothing a
// window shows is cut.

#include <QApplication>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "test_support.h"
#include "window/main_window.h"
#include "window/platform.h"

namespace tarvex::testing {

// Stands in for the desktop: answers file dialogs from a queue (nothing queued: cancelled)
// and records every dialog, pointer change and message box.
struct FakePlatform final : Platform {
  QStringList answers;
  QStringList filters;  // the filter each answered dialog returns as chosen (none: unchanged)
  // "Open|filters|filter selected|name it started from", "Save|...", "Replace|..."
  QStringList dialogs;
  QStringList log;  // "busy", "idle", each failure box's "title|text" and warning's
                    // "warning|title|text", in order

  std::optional<QString> ShowFileDialog(QWidget*, FileDialogMode mode, const QStringList& names,
                                        QString& filter, const QString& file_name) override {
    const char* kinds[] = {"Open|", "Save|", "Replace|"};
    dialogs << kinds[static_cast<int>(mode)] + names.join(';') + '|' + filter + '|' + file_name;
    if (answers.isEmpty()) return std::nullopt;
    if (!filters.isEmpty()) filter = filters.takeFirst();
    return answers.takeFirst();
  }
  void ShowCriticalMessage(QWidget*, const QString& title, const QString& text) override {
    log << title + '|' + text;
  }
  void ShowWarningMessage(QWidget*, const QString& title, const QString& text) override {
    log << "warning|" + title + '|' + text;
  }
  void SetBusyCursor(bool busy) override { log << (busy ? "busy" : "idle"); }
};

inline QString Data(const char* name) {
  return QStringLiteral(TARVEX_TEST_DATA_DIR "/") + name;
}

inline std::string Bytes(const QString& path) {
  return ReadFile(path.toStdString());
}

// The failure box's title and text; Open and Save add the file.
inline QString Box(int number, const char* description, const QString& file = QString()) {
  return QStringLiteral("Tarvex " TARVEX_VERSION "|Número de error: %1\nDescripción del error: %2")
             .arg(number)
             .arg(QString::fromUtf8(description)) +
         (file.isNull() ? QString() : "\nArchivo: " + file);
}

// The first text in `top` that its label, button or table cell does not show whole, with
// the font size; empty when every one shows whole.
QString CutText(QWidget* top);

// Before each test, the main window over the fake desktop with fixed regional forms, shown
// and active; and a folder of its own.
class MainWindowTest : public QObject {
  Q_OBJECT

 protected:
  FakePlatform platform_;
  FixedFormatter fixed_;
  std::unique_ptr<MainWindow> window_;
  QTemporaryDir dir_;

  MainWindow& W() { return *window_; }
  QString Temp(const char* name) const { return dir_.filePath(QLatin1String(name)); }

  // An access key, pressed wherever the keyboard focus is, with the name the file dialog
  // answers (none: the dialog is cancelled). The button clicks once its pressed look showed.
  void Press(Qt::Key key, const QString& answer = QString()) {
    if (!answer.isNull()) platform_.answers << answer;
    QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
    QVERIFY(QTest::qWaitFor([&] {
      for (const QPushButton* button : W().findChildren<QPushButton*>()) {
        if (button->isDown()) return false;
      }
      return true;
    }));
  }

 private slots:
  void init() {
    platform_ = {};
    window_ = std::make_unique<MainWindow>(platform_, &fixed_);
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }
  void cleanup() { window_.reset(); }
};

}  // namespace tarvex::testing

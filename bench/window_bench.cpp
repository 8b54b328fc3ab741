// Times the real main window, offscreen over a fake desktop, on generated downloads of
// 100,000 and 1,000,000 records: Open (until the file text and header are shown),
// Conversion (until counts and both lists are shown) and Save.
#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench_support.h"
#include "window/vlm1.h"

namespace {

// The desktop as the benchmark needs it: the file dialog answers from a list, and a message
// box is only counted.
class ScriptedPlatform final : public tarvex::Platform {
 public:
  QStringList answers;
  int messages = 0;

  std::optional<QString> ShowFileDialog(QWidget*, tarvex::FileDialogMode, const QStringList&,
                                        QString&, const QString&) override {
    if (answers.isEmpty()) return std::nullopt;
    return answers.takeFirst();
  }
  void ShowCriticalMessage(QWidget*, const QString&, const QString&) override { ++messages; }
  void SetBusyCursor(bool) override {}
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Measure(const std::filesystem::path& download, long records, int argc, char** argv) {
  QApplication app(argc, argv);
  ScriptedPlatform platform;
  tarvex::VLM1 window(platform);
  window.show();
  QApplication::processEvents();

  const QString report = QString::fromStdString(download.string() + ".report.txt");
  platform.answers << QString::fromStdString(download.string());
  platform.answers << report;

  auto start = std::chrono::steady_clock::now();
  window.Command1->click();
  window.repaint();
  const double open = Seconds(start);

  start = std::chrono::steady_clock::now();
  window.Command3->click();
  window.repaint();
  const double conversion = Seconds(start);

  start = std::chrono::steady_clock::now();
  window.Command2->click();
  const double save = Seconds(start);

  if (platform.messages != 0 || window.State().TotalCount != records) {
    std::printf("unexpected result for %ld records\n", records);
    return 1;
  }
  std::printf("%9ld records  open %.3f s  conversion %.3f s  save %.3f s  peak %6.1f MB\n", records,
              open, conversion, save, tarvex::bench::PeakResidentMb());
  std::fflush(stdout);
  std::filesystem::remove(report.toStdString());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  setenv("LC_ALL", "C", 1);
  std::printf("Main window, offscreen (one run each, fresh process)\n");
  tarvex::bench::ForEachSize("tarvex-window-bench", [&](const std::filesystem::path& download,
                                                        long records, std::uintmax_t) {
    return Measure(download, records, argc, argv);
  });
  return 0;
}

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
#include "fake_platform.h"
#include "window/vlm1.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Measure(const std::filesystem::path& download, long records, int argc, char** argv) {
  QApplication app(argc, argv);
  tarvex::testing::FakePlatform platform;
  tarvex::VLM1 window(platform);
  window.show();
  QApplication::processEvents();

  const QString report = QString::fromStdString(download.string() + ".report.txt");
  platform.answers.push_back(QString::fromStdString(download.string()));
  platform.answers.push_back(report);

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

  if (!platform.messages.isEmpty() || window.State().TotalCount != records) {
    std::printf("unexpected result for %ld records\n", records);
    return 1;
  }
  std::printf("%9ld records  open %.3f s  conversion %.3f s  save %.3f s  peak %6.1f MB\n",
              records, open, conversion, save, tarvex::bench::PeakResidentMb());
  std::fflush(stdout);
  std::filesystem::remove(report.toStdString());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  setenv("LC_ALL", "C", 1);
  std::printf("Main window, offscreen (one run each, fresh process)\n");
  tarvex::bench::ForEachSize("tarvex-window-bench",
                             [&](const std::filesystem::path& download, long records,
                                 std::uintmax_t) { return Measure(download, records, argc, argv); });
  return 0;
}

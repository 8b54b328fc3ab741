// Times the real main window, offscreen over a fake desktop, on generated downloads of
// 100,000 and 1,000,000 records: Open (until the file text and header are shown),
// Conversion (until counts and both lists are shown), Save, and Resumen (until its window is
// shown). Then the text boxes' row index over the largest texts, and (unless --quick)
// resident memory over 1,000 cycles in one window.
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "window/main_window.h"

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
  void ShowWarningMessage(QWidget*, const QString&, const QString&) override { ++messages; }
  void SetBusyCursor(bool) override {}
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Measure(const std::filesystem::path& download, long records, int argc, char** argv) {
  QApplication app(argc, argv);
  ScriptedPlatform platform;
  tarvex::MainWindow window(platform);
  window.show();
  QApplication::processEvents();

  const QString report = QString::fromStdString(download.string() + ".report.txt");
  platform.answers << QString::fromStdString(download.string());
  platform.answers << report;

  auto start = std::chrono::steady_clock::now();
  window.openButton->click();
  window.repaint();
  const double open = Seconds(start);

  start = std::chrono::steady_clock::now();
  window.convertButton->click();
  window.repaint();
  const double conversion = Seconds(start);

  start = std::chrono::steady_clock::now();
  window.saveButton->click();
  const double save = Seconds(start);

  start = std::chrono::steady_clock::now();
  window.summaryButton->click();
  window.summaryWindow->repaint();
  const double summary = Seconds(start);

  if (platform.messages != 0 || window.State().TotalCount != records) {
    std::printf("unexpected result for %ld records\n", records);
    return 1;
  }
  std::printf(
      "%9ld records  open %.3f s  conversion %.3f s  save %.3f s  resumen %.3f s  peak %6.1f MB\n",
      records, open, conversion, save, summary, tarvex::bench::PeakResidentMb());
  std::fflush(stdout);
  std::filesystem::remove(report.toStdString());
  return 0;
}

// Resident memory of this process now, in MB.
double ResidentMb() {
  long pages = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// The row index of a box the size of the window's file text box over a 10 MB download line,
// and of one the size of a list box over 1,000,000 list lines as en_US writes them.
void MeasureIndexing(int argc, char** argv) {
  QApplication app(argc, argv);
  std::string line;
  while (line.size() < 10000000) line += "$3E654A3B@$3E655238#";
  std::string list;
  for (int i = 0; i < 1000000; ++i) list += "11/23/2026    06:21:14 AM\r\n";
  const std::pair<const char*, const std::string*> cases[] = {{"10 MB file text", &line},
                                                              {"1,000,000-line list", &list}};
  tarvex::TextView text_box;
  text_box.resize(449, 81);
  tarvex::TextView list_box;
  list_box.resize(225, 361);
  for (const auto& [name, text] : cases) {
    tarvex::TextView& box = text == &line ? text_box : list_box;
    box.SetSource(text);
    const double seconds = tarvex::bench::BestSeconds(3, [&] { box.Refresh(); });
    std::printf("  row index of a %-20s %.3f s  (%zu rows)\n", name, seconds, box.RowCount());
  }
  std::fflush(stdout);
}

// One window, 1,000 cycles of Open, Conversion and Save of the same download: resident
// memory after cycle 10 and after cycle 1,000.
int MeasureCycles(const std::filesystem::path& download, int argc, char** argv) {
  QApplication app(argc, argv);
  ScriptedPlatform platform;
  tarvex::MainWindow window(platform);
  window.show();
  const QString report = QString::fromStdString(download.string() + ".report.txt");
  double after_ten = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int cycle = 1; cycle <= 1000; ++cycle) {
    platform.answers << QString::fromStdString(download.string()) << report;
    window.openButton->click();
    window.convertButton->click();
    window.saveButton->click();
    QApplication::processEvents();
    std::filesystem::remove(report.toStdString());
    if (cycle == 10) after_ten = ResidentMb();
  }
  const double after_thousand = ResidentMb();
  std::printf(
      "  1,000 cycles of a 100,000-record download in one window: %.1f s; resident %.1f MB "
      "after cycle 10, %.1f MB after cycle 1,000 (%+.1f%%)\n",
      Seconds(start), after_ten, after_thousand, (after_thousand / after_ten - 1) * 100);
  return platform.messages == 0 ? 0 : 1;
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
  std::printf("Text boxes (best of 3)\n");
  MeasureIndexing(argc, argv);
  if (argc > 1 && std::string(argv[1]) == "--quick") return 0;
  std::printf("Long use\n");
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tarvex-cycles-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  tarvex::bench::WriteDownload(dir / "download.vlm", 100000);
  const int status = MeasureCycles(dir / "download.vlm", argc, argv);
  std::filesystem::remove_all(dir);
  return status;
}

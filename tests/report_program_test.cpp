// tarvex-report run as a user runs it: arguments in; report bytes, messages and exit status
// out.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <vector>

#include "test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using testing::DataFile;
using testing::ReadFile;
using testing::WriteFile;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome Shell(const std::string& command) {
  testing::TempDir dir;
  const int status = std::system(
      ("{ " + command + "; } >" + (dir / "out").string() + " 2>" + (dir / "err").string()).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "out"),
          ReadFile(dir / "err")};
}

// Runs the program through the shell with `arguments` (and any redirection in them).
Outcome Report(const std::string& arguments) {
  return Shell(std::string(TARVEX_REPORT_PROGRAM) + " " + arguments);
}

// Every reference download with its classic-locale report: each alone, under each spelling
// of the report option, and all of them in one run to standard output.
TEST(ReportProgram, EveryReferenceDownloadGivesTheSessionsReport) {
  testing::TempDir dir;
  const char* spellings[] = {"-o ", "-o", "--output ", "--output="};
  std::string all_downloads;
  std::string all_reports;
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(TARVEX_TEST_DATA_DIR)) {
    const fs::path golden = fs::path(entry.path()).replace_extension(".report.C.txt");
    if (entry.path().extension() != ".vlm" || !fs::exists(golden)) continue;
    SCOPED_TRACE(entry.path().filename());
    const fs::path report = dir / (std::to_string(compared) + ".txt");
    const Outcome one = Report(std::string("--locale C ") + spellings[compared % 4] +
                               report.string() + " " + entry.path().string());
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out + one.err, "");
    EXPECT_EQ(ReadFile(report), ReadFile(golden));
    all_downloads += " " + entry.path().string();
    all_reports += ReadFile(golden);
    ++compared;
  }
  EXPECT_EQ(compared, 9);
  // No progress line either: standard error is not a terminal.
  const Outcome all = Report("--locale=C" + all_downloads);
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.err, "");
  EXPECT_EQ(all.out, all_reports);
  // A locale that is not installed falls back to the classic forms, with a warning.
  const Outcome missing = Report("--locale xx_NONE " + DataFile("stamps.vlm").string());
  EXPECT_EQ(missing.out, ReadFile(DataFile("stamps.report.C.txt")));
  EXPECT_EQ(Report("--locale POSIX " + DataFile("stamps.vlm").string()).err, "");
  EXPECT_EQ(missing.err,
            "tarvex-report: aviso: la configuración regional «xx_NONE» no está instalada; se "
            "usan las formas de «C»\n");
}

// The line a failure leaves on standard error.
std::string Failure(const std::string& file, const char* failure) {
  return file + ": Número de error: " + failure + "\n";
}

TEST(ReportProgram, AFailingDownloadLosesNothingAndTheOthersGoOn) {
  testing::TempDir dir;
  WriteFile(dir / "empty.vlm", "");
  WriteFile(dir / "bad.vlm", "&000123xx07$1#$3E654A3B@");  // a "#" too near the start
  WriteFile(dir / "r.txt", "earlier\r\n");
  const std::string small = DataFile("small_download.vlm").string();
  const std::string names[] = {small,
                               (dir / "missing.vlm").string(),
                               DataFile("worked_example.vlm").string(),
                               (dir / "empty.vlm").string(),
                               dir.path.string(),
                               (dir / "bad.vlm").string(),
                               small};
  std::string arguments = "--locale C -o " + (dir / "r.txt").string();
  for (const std::string& name : names) arguments += " " + name;
  const Outcome run = Report(arguments);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, Failure(names[1], "53 - No se encontró el archivo") +
                         Failure(names[3],
                                 "62 - La entrada sobrepasa el final del archivo: el archivo "
                                 "está vacío") +
                         Failure(names[4], "75 - Error de acceso a la ruta o el archivo") +
                         Failure(names[5], "5 - Llamada a procedimiento o argumento no válido"));
  const std::string small_report = ReadFile(DataFile("small_download.report.C.txt"));
  EXPECT_EQ(ReadFile(dir / "r.txt"), "earlier\r\n" + small_report +
                                         ReadFile(DataFile("worked_example.report.C.txt")) +
                                         small_report);
  // A report file that cannot be written fails every download alike: the run stops.
  const std::string lost = (dir / "no" / "r.txt").string();
  const Outcome stopped = Report("-o " + lost + " " + small + " " + small);
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(stopped.err, Failure(lost, "76 - No se encontró la ruta de acceso") +
                             "tarvex-report: el informe de «" + small +
                             "» no se ha añadido; descargas sin leer: 1\n");
  EXPECT_EQ(
      Report(small + " >/dev/full").err.rfind(Failure("salida estándar", "61 - Disco lleno"), 0),
      0u);
}

// A report that would go into one of the downloads stops the run before anything is written,
// whether named by -o or by a redirection of standard output.
TEST(ReportProgram, AReportIntoADownloadRefusesTheWholeRun) {
  testing::TempDir dir;
  const std::string bytes = ReadFile(DataFile("small_download.vlm"));
  WriteFile(dir / "d.vlm", bytes);
  fs::create_directory(dir / "sub");
  const std::string download = (dir / "d.vlm").string();
  for (const std::string& target :
       {"-o " + (dir / "sub" / ".." / "d.vlm").string(), ">>" + download}) {
    SCOPED_TRACE(target);
    const Outcome run = Report(DataFile("stamps.vlm").string() + " " + download + " " + target);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, Failure(download,
                               "55 - El informe no puede guardarse en el archivo de "
                               "descarga abierto"));
    EXPECT_EQ(ReadFile(dir / "d.vlm"), bytes);
  }
}

TEST(ReportProgram, UsageErrorsHelpAndVersion) {
  const std::pair<const char*, const char*> mistakes[] = {
      {"-o r.txt", "no se ha indicado ninguna descarga"},
      {"--bogus x.vlm", "opción desconocida: «--bogus»"},
      {"x.vlm --locale", "la opción «--locale» necesita un valor"},
      {"-o a --output=b x.vlm", "la opción «--output» se ha dado más de una vez"}};
  for (const auto& [arguments, problem] : mistakes) {
    const Outcome run = Report(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out + run.err,
              std::string("tarvex-report: ") + problem +
                  "\nUso: tarvex-report [-o INFORME] [--locale NOMBRE] DESCARGA...\n"
                  "Pruebe «tarvex-report --help» para más información.\n");
  }
  const Outcome help = Report("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Estado de salida: 0 si todas"), std::string::npos);
  EXPECT_EQ(Report("--version x.vlm").out,
            "tarvex-report (Tarvex) " TARVEX_VERSION
            "\nInformes de las descargas de un contador de vehículos.\n");
  // "--" ends the options: a download may begin with a dash.
  EXPECT_EQ(Report("-- -x.vlm").err, Failure("-x.vlm", "53 - No se encontró el archivo"));
}

// On a terminal, each download's number and name are written over the last; the line is
// wiped before a message and at the end.
TEST(ReportProgram, ProgressIsShownOnATerminalOnly) {
  testing::TempDir dir;
  const std::string small = DataFile("small_download.vlm").string();
  const std::string command = std::string(TARVEX_REPORT_PROGRAM) + " -o " +
                              (dir / "r.txt").string() + " " + small + " " +
                              (dir / "gone.vlm").string();
  WriteFile(dir / "run.sh", command + " 2>&1; echo \"status=$?\"");
  const Outcome terminal = Shell("script -qec 'sh " + (dir / "run.sh").string() + "' /dev/null");
  EXPECT_EQ(terminal.out.substr(terminal.out.find("\r1/2")),
            "\r1/2 small_download.vlm\x1b[K\r2/2 gone.vlm\x1b[K\r\x1b[K" +
                (dir / "gone.vlm").string() +
                ": Número de error: 53 - No se encontró el archivo\r\nstatus=1\r\n");
}

}  // namespace
}  // namespace tarvex

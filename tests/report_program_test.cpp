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
  EXPECT_EQ(missing.err,
            "tarvex-report: aviso: la configuración regional «xx_NONE» no está instalada; se "
            "usan las formas de «C»\n");
}

TEST(ReportProgram, AFailingDownloadLosesNothingAndTheOthersGoOn) {
  testing::TempDir dir;
  WriteFile(dir / "empty.vlm", "");
  WriteFile(dir / "bad.vlm", "&000123xx07$1#$3E654A3B@");  // a "#" too near the start
  WriteFile(dir / "r.txt", "earlier\r\n");
  const std::string small = DataFile("small_download.vlm").string();
  const std::string worked = DataFile("worked_example.vlm").string();
  const std::string names[] = {small,
                               (dir / "missing.vlm").string(),
                               worked,
                               (dir / "empty.vlm").string(),
                               dir.path.string(),
                               (dir / "bad.vlm").string(),
                               small};
  std::string arguments = "--locale C -o " + (dir / "r.txt").string();
  for (const std::string& name : names) arguments += " " + name;
  const Outcome run = Report(arguments);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, names[1] + ": Número de error: 53 - No se encontró el archivo\n" + names[3] +
                         ": Número de error: 62 - La entrada sobrepasa el final del archivo: el "
                         "archivo está vacío\n" +
                         names[4] +
                         ": Número de error: 75 - Error de acceso a la ruta o el archivo\n" +
                         names[5] +
                         ": Número de error: 5 - Llamada a procedimiento o argumento no válido\n");
  const std::string small_report = ReadFile(DataFile("small_download.report.C.txt"));
  EXPECT_EQ(ReadFile(dir / "r.txt"), "earlier\r\n" + small_report +
                                         ReadFile(DataFile("worked_example.report.C.txt")) +
                                         small_report);
}

// A report that would go into one of the downloads stops the run before anything is written,
// whether named by -o or by a redirection of standard output.
TEST(ReportProgram, AReportIntoADownloadRefusesTheWholeRun) {
  testing::TempDir dir;
  const std::string bytes = ReadFile(DataFile("small_download.vlm"));
  WriteFile(dir / "d.vlm", bytes);
  fs::create_directory(dir / "sub");
  const std::string other = DataFile("worked_example.vlm").string();
  const std::string download = (dir / "d.vlm").string();
  const std::string refusal =
      download +
      ": Número de error: 55 - El informe no puede guardarse en el archivo de "
      "descarga abierto\n";
  for (const std::string& target :
       {"-o " + (dir / "sub" / ".." / "d.vlm").string(), ">>" + download}) {
    SCOPED_TRACE(target);
    const Outcome run = Report(other + " " + download + " " + target);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, refusal);
    EXPECT_EQ(ReadFile(dir / "d.vlm"), bytes);
  }
}

// A report file that cannot be written would fail the same way for every download: the run
// stops there and says what is left.
TEST(ReportProgram, AReportThatCannotBeWrittenStopsTheRun) {
  testing::TempDir dir;
  const std::string small = DataFile("small_download.vlm").string();
  const Outcome folder =
      Report("-o " + (dir / "no" / "r.txt").string() + " " + small + " " + small);
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err, (dir / "no" / "r.txt").string() +
                            ": Número de error: 76 - No se encontró la ruta de acceso\n"
                            "tarvex-report: el informe de «" +
                            small + "» no se ha añadido; descargas sin leer: 1\n");
  const Outcome full = Report(small + " >/dev/full");
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err.substr(0, full.err.find('\n')),
            "salida estándar: Número de error: 61 - Disco lleno");
}

TEST(ReportProgram, UsageErrorsHelpAndVersion) {
  const std::pair<const char*, const char*> mistakes[] = {
      {"", "no se ha indicado ninguna descarga"},
      {"--bogus x.vlm", "opción desconocida: «--bogus»"},
      {"x.vlm -o", "la opción «-o» necesita un valor"},
      {"--locale", "la opción «--locale» necesita un valor"},
      {"-o a -o b x.vlm", "la opción «-o» se ha dado más de una vez"},
      {"--output= x.vlm", "el nombre del informe está vacío"},
      {"-o r.txt", "no se ha indicado ninguna descarga"}};
  for (const auto& [arguments, problem] : mistakes) {
    SCOPED_TRACE(arguments);
    const Outcome run = Report(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string("tarvex-report: ") + problem +
                           "\nUso: tarvex-report [-o INFORME] [--locale NOMBRE] DESCARGA...\n"
                           "Pruebe «tarvex-report --help» para más información.\n");
  }
  const Outcome help = Report("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Uso: tarvex-report", 0), 0u);
  EXPECT_NE(help.out.find("Estado de salida: 0 si todas"), std::string::npos);
  EXPECT_EQ(Report("--version x.vlm").out,
            "tarvex-report (Tarvex) " TARVEX_VERSION
            "\nInformes de las descargas de un contador de vehículos.\n");
  // "--" ends the options: a download may begin with a dash.
  EXPECT_EQ(Report("-- -x.vlm").err, "-x.vlm: Número de error: 53 - No se encontró el archivo\n");
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

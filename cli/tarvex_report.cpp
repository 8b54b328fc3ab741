// tarvex-report: for each download named on the command line, in order, what Open,
// Conversion and Save do in the window, each report appended to one file or to standard
// output. A download that fails is told on standard error and gives no report; the others go
// on. Exit status: 0 when every download gave its report, 1 when any did not, 2 for a usage
// error or a report that would go into one of the downloads.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_error.h"
#include "conversion/conversion_session.h"
#include "conversion/regional_format.h"

namespace tarvex {
namespace {

constexpr int kAllReported = 0;
constexpr int kSomeFailed = 1;
constexpr int kUsageError = 2;

constexpr const char* kProgram = "tarvex-report";
constexpr const char* kStandardOutput = "salida estándar";

constexpr const char* kUsage = "Uso: tarvex-report [-o INFORME] [--locale NOMBRE] DESCARGA...\n";

constexpr const char* kHelp =
    "Convierte cada DESCARGA del contador, en el orden dado, y añade su informe (ENTRADAS,\n"
    "SALIDAS, recuentos e identificación del contador) a INFORME, o a la salida estándar.\n"
    "Cada informe es el que el programa tarvex guarda para esa descarga.\n"
    "\n"
    "Opciones:\n"
    "  -o, --output INFORME  añade los informes al archivo INFORME (lo crea si no existe)\n"
    "      --locale NOMBRE   fechas y horas con la configuración regional NOMBRE\n"
    "                        (sin esta opción, la del entorno: LC_ALL, LC_TIME o LANG)\n"
    "  -h, --help            muestra esta ayuda y termina\n"
    "      --version         muestra la versión y termina\n"
    "\n"
    "Una descarga que falla se indica en la salida de errores como\n"
    "«DESCARGA: Número de error: N - DESCRIPCIÓN» y no deja informe; las demás siguen.\n"
    "\n"
    "Estado de salida: 0 si todas las descargas dieron su informe, 1 si alguna falló,\n"
    "2 si la orden está mal escrita o INFORME es una de las descargas.\n";

void Print(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

struct Options {
  std::optional<std::string> report;
  std::optional<std::string> locale;
  std::vector<std::string> downloads;
  bool help = false;
  bool version = false;
};

// A mistake in the command line, in words for the user.
struct UsageError {
  std::string problem;
};

// The value of option `name`: `inline_value` when the option carried it in the same argument
// ("-oVALUE", "--output=VALUE"), else the next argument.
std::string OptionValue(std::string_view name, const char* inline_value,
                        const std::vector<std::string>& args, std::size_t& i) {
  if (inline_value != nullptr) return inline_value;
  if (i + 1 >= args.size()) {
    throw UsageError{"la opción «" + std::string(name) + "» necesita un valor"};
  }
  return args[++i];
}

void SetOnce(std::optional<std::string>& slot, std::string value, std::string_view name) {
  if (slot) throw UsageError{"la opción «" + std::string(name) + "» se ha dado más de una vez"};
  slot = std::move(value);
}

Options ParseArguments(const std::vector<std::string>& args) {
  Options options;
  bool only_downloads = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_downloads || arg.size() < 2 || arg[0] != '-') {
      options.downloads.push_back(arg);
      continue;
    }
    // "--name=value" and "-oVALUE" carry their value in the same argument.
    std::string_view name = arg;
    const char* inline_value = nullptr;
    if (arg.starts_with("--")) {
      if (const auto equals = arg.find('='); equals != std::string::npos) {
        name = name.substr(0, equals);
        inline_value = arg.c_str() + equals + 1;
      }
    } else if (arg.size() > 2) {
      name = name.substr(0, 2);
      inline_value = arg.c_str() + 2;
    }
    if (arg == "--") {
      only_downloads = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (name == "-o" || name == "--output") {
      SetOnce(options.report, OptionValue(name, inline_value, args, i), name);
    } else if (name == "--locale") {
      SetOnce(options.locale, OptionValue(name, inline_value, args, i), name);
    } else {
      throw UsageError{"opción desconocida: «" + arg + "»"};
    }
  }
  if (options.report && options.report->empty()) {
    throw UsageError{"el nombre del informe está vacío"};
  }
  if (!options.help && !options.version && options.downloads.empty()) {
    throw UsageError{"no se ha indicado ninguna descarga"};
  }
  return options;
}

std::string FailureLine(const std::string& file, const ConversionError& failure) {
  return file + ": Número de error: " + std::to_string(failure.Number()) + " - " +
         failure.Description() + "\n";
}

// The line "3/20 counter_a.vlm" on a terminal, rewritten in place for each download and
// wiped before any other text; nothing at all when standard error is not a terminal or
// there is only one download.
class Progress {
 public:
  explicit Progress(std::size_t total) : total_(total), shown_(total > 1 && ::isatty(2) == 1) {}
  ~Progress() { Clear(); }

  void Show(std::size_t number, const std::string& download) {
    if (!shown_) return;
    std::string line = "\r";
    line += std::to_string(number) + "/" + std::to_string(total_) + " " +
            std::filesystem::path(download).filename().string() + "\x1b[K";
    Print(stderr, line);
    dirty_ = true;
  }

  void Clear() {
    if (dirty_) Print(stderr, "\r\x1b[K");
    dirty_ = false;
  }

 private:
  std::size_t total_;
  bool shown_;
  bool dirty_ = false;
};

int Run(const Options& options) {
  const SystemFormatter formatter =
      options.locale ? SystemFormatter(*options.locale) : SystemFormatter();
  if (options.locale && formatter.LocaleName() == "C" && *options.locale != "C" &&
      *options.locale != "POSIX" && !options.locale->empty()) {
    Print(stderr, std::string(kProgram) + ": aviso: la configuración regional «" + *options.locale +
                      "» no está instalada; se usan las formas de «C»\n");
  }

  // A report into one of the downloads is refused before anything is read or written.
  const std::filesystem::path target = options.report
                                           ? std::filesystem::path(*options.report)
                                           : ConversionSession::DescriptorPath(STDOUT_FILENO);
  for (const std::string& download : options.downloads) {
    try {
      ConversionSession::RefuseReportInto(target, download);
    } catch (const ConversionError& failure) {
      Print(stderr, FailureLine(download, failure));
      return kUsageError;
    }
  }

  ConversionSession session;
  Progress progress(options.downloads.size());
  int status = kAllReported;
  for (std::size_t i = 0; i < options.downloads.size(); ++i) {
    const std::string& download = options.downloads[i];
    progress.Show(i + 1, download);
    try {
      session.Open(download);
      session.Convert(formatter);
    } catch (const ConversionError& failure) {
      progress.Clear();
      Print(stderr, FailureLine(download, failure));
      status = kSomeFailed;
      continue;
    }
    try {
      if (options.report) {
        session.Save(*options.report);
      } else {
        progress.Clear();  // standard output may be the same terminal
        session.Save(STDOUT_FILENO, kStandardOutput);
      }
    } catch (const ConversionError& failure) {
      progress.Clear();
      if (failure.Number() == failure::kReportIntoDownload) {
        Print(stderr, FailureLine(download, failure));
        status = kSomeFailed;
        continue;
      }
      // The report file itself failed, and would fail the same way for every download
      // still to come: stop here rather than leave holes in the report.
      Print(stderr, FailureLine(options.report.value_or(kStandardOutput), failure));
      Print(stderr, std::string(kProgram) + ": el informe de «" + download +
                        "» no se ha añadido; descargas sin leer: " +
                        std::to_string(options.downloads.size() - i - 1) + "\n");
      return kSomeFailed;
    }
  }
  return status;
}

}  // namespace
}  // namespace tarvex

int main(int argc, char* argv[]) {
  using namespace tarvex;
  const std::vector<std::string> args(argv + 1, argv + argc);
  Options options;
  try {
    options = ParseArguments(args);
  } catch (const UsageError& error) {
    Print(stderr, std::string(kProgram) + ": " + error.problem + "\n" + kUsage +
                      "Pruebe «tarvex-report --help» para más información.\n");
    return kUsageError;
  }
  if (options.help) {
    Print(stdout, std::string(kUsage) + kHelp);
    return kAllReported;
  }
  if (options.version) {
    Print(stdout, "tarvex-report (Tarvex) " TARVEX_VERSION
                  "\nInformes de las descargas de un contador de vehículos.\n");
    return kAllReported;
  }
  try {
    return Run(options);
  } catch (const std::exception& error) {
    Print(stderr, std::string(kProgram) + ": " + error.what() + "\n");
    return kSomeFailed;
  }
}

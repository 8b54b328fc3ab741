// tarvex-report: for each download named on the command line, in order, what Open,
// Conversion and Save do in the window, each report appended to one file or to standard
// output. A download that fails is told on standard error and gives no report; the others go
// on. With --combine every download is read first, and those that read give one output, as
// one record of one counter. Exit status: 0 when every download gave its report, 1 when any
// did not, 2 for a usage error, a report that would go into one of the downloads or combined
// downloads of different counters, 3 when the report file itself failed and the run stopped
// there. A workbook (--format workbook) is one file for the whole run, written whole and
// renamed over FILE only then; an existing FILE is replaced only with --replace.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/calibration_input.h"
#include "analysis/output_format.h"
#include "analysis/workbook.h"
#include "base/code_page.h"
#include "base/conversion_error.h"
#include "base/program_text.h"
#include "base/replace_file.h"
#include "base/shown_name.h"
#include "conversion/conversion_session.h"
#include "conversion/regional_format.h"

namespace tarvex {
namespace {

constexpr int kAllReported = 0;
constexpr int kSomeFailed = 1;
constexpr int kUsageError = 2;
constexpr int kOutputFailed = 3;

constexpr const char* kProgram = "tarvex-report";
constexpr const char* kStandardOutput = kStandardOutputName;
constexpr const char* kStandardInput = kStandardInputName;
constexpr const char* kStandardInputPath = "/dev/stdin";

constexpr const char* kUsage =
    "Uso: tarvex-report [-o INFORME] [--locale NOMBRE] [--format FORMATO [--interval MINUTOS]]\n"
    "                   [--combine] [--occupancy-start N] [--occupancy-reset HH:MM]\n"
    "                   [--capacity N] [--replace] DESCARGA...\n";

constexpr const char* kHelp =
    "Convierte cada DESCARGA del contador, en el orden dado, y añade su informe (ENTRADAS,\n"
    "SALIDAS, recuentos e identificación del contador) a INFORME, o a la salida estándar.\n"
    "Cada informe es el que el programa tarvex guarda para esa descarga. Una DESCARGA «-»\n"
    "es la entrada estándar.\n"
    "\n"
    "Opciones:\n"
    "  -o, --output INFORME  añade los informes al archivo INFORME (lo crea si no existe;\n"
    "                        «-» es la salida estándar)\n"
    "      --locale NOMBRE   fechas y horas con la configuración regional NOMBRE\n"
    "                        (sin esta opción, la del entorno: LC_ALL, LC_TIME o LANG)\n"
    "      --format FORMATO  lo que se escribe de cada descarga:\n"
    "                          report     su informe (sin esta opción)\n"
    "                          passages   tabla CSV de sus registros, uno por fila\n"
    "                          intervals  tabla CSV de entradas, salidas y ocupación por\n"
    "                                     intervalos de cada día\n"
    "                          summary    resumen para leer: periodo, comprobaciones de los\n"
    "                                     datos, día laborable y de fin de semana medios\n"
    "                                     por horas y, por día, totales, horas punta por\n"
    "                                     sentido y ocupación\n"
    "                          days       tabla CSV de los días del periodo, uno por fila:\n"
    "                                     día de la semana, si está completo, totales,\n"
    "                                     puntas de mañana y de tarde, reparto y ocupación\n"
    "                          hourly     tabla CSV de los pasos de cada hora, dos filas\n"
    "                                     por día (entrada y salida)\n"
    "                          workbook   un libro de hoja de cálculo (.xlsx) para toda la\n"
    "                                     orden, con -o LIBRO: hojas Resumen (con sus\n"
    "                                     gráficos), Días, Horas, Intervalos (15 minutos),\n"
    "                                     Pasos y Comprobaciones\n"
    "      --interval MINUTOS  intervalos de 15 o de 60 minutos (60 sin esta opción),\n"
    "                        con --format intervals\n"
    "      --combine         lee todas las descargas como un solo registro de un mismo\n"
    "                        contador (el mismo número de serie): los pasos repetidos en\n"
    "                        otra descarga cuentan una vez; con --format days, hourly,\n"
    "                        intervals, summary o workbook\n"
    "      --occupancy-start N  ocupación al empezar, de 0 a 1000000 (0 sin esta opción)\n"
    "      --occupancy-reset HH:MM  pone la ocupación a 0 a esa hora cada día (un\n"
    "                        aparcamiento que se sabe vacío entonces)\n"
    "      --capacity N      plazas, de 1 a 1000000: la ocupación máxima de cada día en %\n"
    "                        de ellas y los minutos al 90 % o más\n"
    "                        (las tres, con --format days, intervals, summary o workbook)\n"
    "      --replace         con --format workbook, reemplaza LIBRO si ya existe (sin esta\n"
    "                        opción, un LIBRO que existe no se toca)\n"
    "  -h, --help            muestra esta ayuda y termina\n"
    "      --version         muestra la versión y termina\n"
    "\n"
    "Las tablas CSV llevan su fila de encabezado al principio de la salida estándar, y en\n"
    "INFORME solo si está vacío; fechas AAAA-MM-DD, horas HH:MM:SS y decimales con punto,\n"
    "en UTF-8.\n"
    "\n"
    "Un libro no se añade: se escribe entero junto a LIBRO con otro nombre y solo entonces\n"
    "ocupa su lugar, así que una interrupción deja el LIBRO anterior. Con «-o -» va a la\n"
    "salida estándar, que no puede ser un terminal.\n"
    "\n"
    "El periodo de una descarga va de su primer paso válido con sentido a su fecha de\n"
    "descarga (o a su último paso, si es posterior); sus días primero y último son\n"
    "parciales, los de en medio completos, también los que no tienen ningún paso. Los días\n"
    "medios son de los días completos: laborable, de lunes a viernes; de fin de semana,\n"
    "sábados y domingos.\n"

    "\n"
    "Una descarga que falla se indica en la salida de errores como\n"
    "«DESCARGA: Número de error: N - DESCRIPCIÓN» y no deja informe; las demás siguen.\n"
    "Cada informe entra entero o no entra: si otro programa está escribiendo en INFORME,\n"
    "se espera a que termine.\n"
    "\n"
    "Estado de salida: 0 si todas las descargas dieron su informe, 1 si alguna falló,\n"
    "2 si la orden está mal escrita, INFORME es una de las descargas, las descargas de\n"
    "--combine no son del mismo contador o LIBRO ya existe sin --replace, 3 si no se pudo\n"
    "escribir en INFORME (el programa se detiene ahí).\n"
    "\n"
    "Ejemplos:\n"
    "  tarvex-report --format days -o dias.csv norte.vlm\n"
    "  tarvex-report --format hourly -o horas.csv norte.vlm\n"
    "  tarvex-report --format summary --combine norte_1.vlm norte_2.vlm\n"
    "  tarvex-report --format summary --occupancy-reset 03:00 --capacity 40 parking.vlm\n"
    "  tarvex-report --format workbook --replace -o norte.xlsx norte.vlm\n";

// False, with errno set, when the text could not be written whole.
bool Print(std::FILE* stream, const std::string& text) {
  errno = 0;
  const bool written = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  return std::fflush(stream) == 0 && written;
}

struct Options {
  std::optional<std::string> report;
  std::optional<std::string> locale;
  std::optional<std::string> format;
  std::optional<std::string> interval;
  std::optional<std::string> occupancy_start;
  std::optional<std::string> occupancy_reset;
  std::optional<std::string> capacity;
  std::vector<std::string> downloads;
  Calibration calibration;  // as read from the three options above
  bool combine = false;
  bool replace = false;
  bool to_standard_output = false;  // -o -
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
    throw UsageError{OptionNeedsValue(name)};
  }
  return args[++i];
}

void SetOnce(std::optional<std::string>& slot, std::string value, std::string_view name) {
  if (slot) throw UsageError{"la opción «" + std::string(name) + "» se ha dado más de una vez"};
  slot = std::move(value);
}

// "a, b o c".
std::string OneOf(const std::vector<std::string_view>& names) {
  std::string text(names.front());
  for (std::size_t i = 1; i < names.size(); ++i) {
    text += std::string(i + 1 < names.size() ? ", " : " o ") + std::string(names[i]);
  }
  return text;
}

// The formats that have a property (Combines, Calibrated), in alphabetical order.
std::string FormatsThat(bool (OutputFormat::*property)() const) {
  std::vector<std::string_view> names;
  for (const std::string_view name : format_name::kAll) {
    if ((*MakeOutputFormat(name).*property)()) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return OneOf(names);
}

// The value of a calibration option, read as `read` reads it; a usage error when it does not.
int CalibrationValue(std::string_view option, const std::string& value,
                     const std::optional<int>& read, std::string_view range) {
  if (!read) {
    throw UsageError{"valor no válido para «" + std::string(option) + "»: «" + ShownName(value) +
                     "» (" + std::string(range) + ")"};
  }
  return *read;
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
    } else if (name == "--format") {
      SetOnce(options.format, OptionValue(name, inline_value, args, i), name);
    } else if (name == "--interval") {
      SetOnce(options.interval, OptionValue(name, inline_value, args, i), name);
    } else if (arg == "--combine") {
      options.combine = true;
    } else if (arg == "--replace") {
      options.replace = true;
    } else if (name == "--occupancy-start") {
      SetOnce(options.occupancy_start, OptionValue(name, inline_value, args, i), name);
    } else if (name == "--occupancy-reset") {
      SetOnce(options.occupancy_reset, OptionValue(name, inline_value, args, i), name);
    } else if (name == "--capacity") {
      SetOnce(options.capacity, OptionValue(name, inline_value, args, i), name);
    } else {
      throw UsageError{UnknownOption(ShownName(arg))};
    }
  }
  if (options.report && options.report->empty()) {
    throw UsageError{"el nombre del informe está vacío"};
  }
  if (options.locale && options.locale->empty()) {
    throw UsageError{"el nombre de la configuración regional está vacío"};
  }
  if (!options.help && !options.version && options.downloads.empty()) {
    throw UsageError{"no se ha indicado ninguna descarga"};
  }
  if (options.report == "-") {
    options.report.reset();  // standard output
    options.to_standard_output = true;
  }
  if (options.format && !MakeOutputFormat(*options.format)) {
    throw UsageError{"formato desconocido: «" + ShownName(*options.format) + "» (" +
                     OneOf({format_name::kAll.begin(), format_name::kAll.end()}) + ")"};
  }
  if (options.interval && options.format != format_name::kIntervals) {
    throw UsageError{"la opción «--interval» solo vale con «--format intervals»"};
  }
  if (options.interval && *options.interval != "15" && *options.interval != "60") {
    throw UsageError{"intervalo no válido: «" + ShownName(*options.interval) +
                     "» (15 o 60 minutos)"};
  }
  const std::unique_ptr<OutputFormat> format =
      MakeOutputFormat(options.format.value_or(std::string(format_name::kReport)));
  if (options.combine && !format->Combines()) {
    throw UsageError{"la opción «--combine» solo vale con --format " +
                     FormatsThat(&OutputFormat::Combines)};
  }
  if (format->WrittenWhole()) {
    if (!options.report && !options.to_standard_output) {
      throw UsageError{"un libro necesita «-o LIBRO» (o «-o -», la salida estándar)"};
    }
    if (options.to_standard_output && ::isatty(STDOUT_FILENO) == 1) {
      throw UsageError{
          "un libro no se escribe en un terminal: rediríjalo a un archivo o use «-o LIBRO»"};
    }
  } else if (options.replace) {
    throw UsageError{"la opción «--replace» solo vale con --format " +
                     FormatsThat(&OutputFormat::WrittenWhole)};
  }
  const std::pair<std::string_view, const std::optional<std::string>&> calibration[] = {
      {"--occupancy-start", options.occupancy_start},
      {"--occupancy-reset", options.occupancy_reset},
      {"--capacity", options.capacity}};
  for (const auto& [option, value] : calibration) {
    if (value && !format->Calibrated()) {
      throw UsageError{"la opción «" + std::string(option) + "» solo vale con --format " +
                       FormatsThat(&OutputFormat::Calibrated)};
    }
  }
  namespace range = calibration_range;
  if (const auto& start = options.occupancy_start) {
    options.calibration.start = CalibrationValue(
        "--occupancy-start", *start, ReadWholeNumber(*start, range::kMinStart, range::kMaxStart),
        WholeNumberRange(range::kMinStart, range::kMaxStart));
  }
  if (const auto& reset = options.occupancy_reset) {
    options.calibration.reset_minute =
        CalibrationValue("--occupancy-reset", *reset, ReadClockTime(*reset), kClockTimeRange);
  }
  if (const auto& capacity = options.capacity) {
    options.calibration.capacity =
        CalibrationValue("--capacity", *capacity,
                         ReadWholeNumber(*capacity, range::kMinCapacity, range::kMaxCapacity),
                         WholeNumberRange(range::kMinCapacity, range::kMaxCapacity));
  }
  return options;
}

// A download as the command line names it: "-" is standard input.
struct Download {
  explicit Download(const std::string& argument)
      : path(argument == "-" ? kStandardInputPath : argument),
        named(argument == "-" ? "" : argument),
        shown(argument == "-" ? kStandardInput : ShownName(argument)),
        base_name(argument == "-"
                      ? kStandardInput
                      : ShownName(std::filesystem::path(argument).filename().string())) {}
  std::filesystem::path path;
  std::string named;  // for what the counts say: empty for standard input (see DownloadCounts)
  std::string shown;
  std::string base_name;
};

// The line "3/20 counter_a.vlm" on a terminal, rewritten in place for each download and
// wiped before any other text; nothing at all when standard error is not a terminal or
// there is only one download.
class Progress {
 public:
  explicit Progress(std::size_t total) : total_(total), shown_(total > 1 && ::isatty(2) == 1) {}
  ~Progress() { Clear(); }

  void Show(std::size_t number, const Download& download) {
    if (!shown_) return;
    std::string line = "\r";
    line +=
        std::to_string(number) + "/" + std::to_string(total_) + " " + download.base_name + "\x1b[K";
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

void Warn(const std::string& text) {
  Print(stderr, std::string(kProgram) + ": aviso: " + text + "\n");
}

// Copies the file at `path` to standard output. Throws ConversionError as FileFailure.
void CopyToStandardOutput(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw LastFileFailure(path);
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), file);
    for (std::size_t done = 0; done < read;) {
      const ssize_t wrote = ::write(STDOUT_FILENO, buffer.data() + done, read - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) {
        const int error = wrote < 0 ? errno : EIO;
        std::fclose(file);
        throw FileFailure(error, kStandardOutput);
      }
      done += static_cast<std::size_t>(wrote);
    }
    if (read < buffer.size()) break;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw FileFailure(EIO, path);
}

// An existing workbook kept, not replaced (without --replace): said, and status 2.
int Kept(const std::string& shown) {
  Print(stderr, std::string(kProgram) + ": «" + shown +
                    "» ya existe; se deja como está (--replace lo reemplaza)\n");
  return kUsageError;
}

int Run(const Options& options) {
  const SystemFormatter formatter =
      options.locale ? SystemFormatter(*options.locale) : SystemFormatter();
  const std::unique_ptr<OutputFormat> format =
      MakeOutputFormat(options.format.value_or(std::string(format_name::kReport)),
                       options.interval == "15" ? 15 : 60);
  // A word about the regional forms is for a format that uses them alone.
  const std::vector<RegionalNotice> notices =
      format->UsesRegionalForms() ? formatter.Notices() : std::vector<RegionalNotice>();
  for (const RegionalNotice& notice : notices) {
    std::string text = notice.Text(ShownName(notice.locale));
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    Warn(text);
  }

  const std::string report_shown = options.report ? ShownName(*options.report) : kStandardOutput;
  // A report into one of the downloads is refused before anything is read or written.
  const std::filesystem::path target = options.report
                                           ? std::filesystem::path(*options.report)
                                           : ConversionSession::DescriptorPath(STDOUT_FILENO);
  std::vector<Download> downloads(options.downloads.begin(), options.downloads.end());
  for (const Download& download : downloads) {
    try {
      ConversionSession::RefuseReportInto(target, download.path);
    } catch (const ConversionError& failure) {
      Print(stderr, FailureLine(download.shown, failure));
      return kUsageError;
    }
  }

  // Nor into any of them later, by whatever name the report reaches them then: the files the
  // downloads name now, and each file as it is read.
  std::vector<FileId> named_files;
  for (const Download& download : downloads) {
    if (const std::optional<FileId> file = FileIdOf(download.path)) named_files.push_back(*file);
  }
  // A workbook is written whole for the whole run: beside the file under another name, or for
  // standard output into a temporary file, copied out once whole.
  std::optional<WholeReplacement> replacement;
  std::optional<Workbook> book;
  bool added = false;  // a record went into the workbook
  if (format->WrittenWhole()) {
    // Where a failure of making the temporary file is said: the file, or for standard output
    // the temporary folder.
    std::string making = report_shown;
    try {
      if (options.report) {
        replacement.emplace(*options.report, named_files, options.replace);
      } else {
        // A private file in the temporary folder, which no one else's name leads to.
        const char* folder = std::getenv("TMPDIR");
        const std::string in = folder != nullptr && *folder != '\0' ? folder : "/tmp";
        making = ShownName(in);
        replacement.emplace(WholeReplacement::InFolder{in});
      }
      book.emplace(replacement->Temporary());
    } catch (const WholeReplacement::Exists&) {
      return Kept(report_shown);
    } catch (const ConversionError& failure) {
      Print(stderr, FailureLine(making, failure));
      return failure.Number() == failure::kReportIntoDownload ? kUsageError : kOutputFailed;
    }
  }
  // The workbook, once every download is read: written, then renamed over the file or copied
  // to standard output. The run's status, or 3 when that failed.
  const auto finish = [&](int run_status) {
    if (!book || !added) return run_status;  // nothing read: the file stays as it was
    try {
      book->Close();
      if (options.report) {
        replacement->Commit(options.replace, named_files);
      } else {
        CopyToStandardOutput(replacement->Temporary());
      }
    } catch (const WholeReplacement::Exists&) {
      return Kept(report_shown);
    } catch (const ConversionError& failure) {
      Print(stderr, FailureLine(report_shown, failure));
      return kOutputFailed;
    }
    return run_status;
  };
  // A table's header row goes first into an empty report file, and at the start of standard
  // output.
  OutputTarget output = options.report ? OutputTarget(*options.report)
                                       : OutputTarget(STDOUT_FILENO, kStandardOutput, true);
  Progress progress(downloads.size());
  // Another writer holds the report file: say why nothing moves, where someone is watching.
  const LockWait wait{std::nullopt, [&] {
                        if (::isatty(2) != 1) return;
                        progress.Clear();
                        Warn("«" + report_shown +
                             "» está ocupado por otro programa que escribe en él;" +
                             " se espera a que termine");
                      }};
  int status = kAllReported;
  // Saves what `record` gives, its downloads shown as `shown`, with `unread` downloads still to
  // come; the run's status when it stops there.
  const auto save = [&](const std::vector<NamedDownload>& record, const std::string& shown,
                        std::size_t unread) -> std::optional<int> {
    try {
      if (!options.report) progress.Clear();  // standard output may be the same terminal
      if (book) {
        AddToWorkbook(*book, record, options.calibration);
        added = true;
      } else {
        SaveOutput(record, *format, output, wait, options.calibration);
      }
      output.header_first = false;
    } catch (const ConversionError& failure) {
      progress.Clear();
      if (failure.Number() == failure::kReportIntoDownload) {
        Print(stderr, FailureLine(shown, failure));
        status = kSomeFailed;
        return std::nullopt;
      }
      // The report file itself failed, and would fail the same way for every download
      // still to come: stop here rather than leave holes in the report.
      Print(stderr, FailureLine(report_shown, failure));
      Print(stderr, std::string(kProgram) + ": el informe de «" + shown +
                        "» no se ha añadido; descargas sin leer: " + std::to_string(unread) + "\n");
      return kOutputFailed;
    }
    return std::nullopt;
  };
  // One session read again for each download in turn; with --combine one for each download
  // that reads, all kept until the record is saved.
  std::vector<std::unique_ptr<ConversionSession>> sessions;
  std::vector<const Download*> record;  // the download of each session kept, with --combine
  for (std::size_t i = 0; i < downloads.size(); ++i) {
    const Download& download = downloads[i];
    progress.Show(i + 1, download);
    if (sessions.empty() || options.combine) {
      sessions.push_back(std::make_unique<ConversionSession>());
      for (const FileId& file : named_files) sessions.back()->RefuseAlso(file);
    }
    ConversionSession& session = *sessions.back();
    try {
      session.Open(download.path);
      session.RefuseAlso(*session.DownloadFile());
      if (book) named_files.push_back(*session.DownloadFile());
      session.Convert(formatter);
    } catch (const ConversionError& failure) {
      progress.Clear();
      Print(stderr, FailureLine(download.shown, failure));
      status = kSomeFailed;
      if (options.combine) {
        if (session.DownloadFile()) named_files.push_back(*session.DownloadFile());
        sessions.pop_back();
      }
      continue;
    }
    if (options.combine) {
      record.push_back(&download);
      continue;
    }
    if (const std::optional<int> stop =
            save({{download.named, session}}, download.shown, downloads.size() - i - 1)) {
      return *stop;
    }
  }
  if (record.empty()) return finish(status);
  // The downloads of one record are of one counter: its serial number says which.
  progress.Clear();
  const std::string& serial = sessions.front()->State().SerialNumber;
  for (std::size_t k = 1; k < record.size(); ++k) {
    const std::string& other = sessions[k]->State().SerialNumber;
    if (other == serial) continue;
    const auto shown_serial = [](std::string_view windows1252) {
      std::string utf8;
      AppendUtf8(utf8, windows1252);
      return ShownName(utf8);
    };
    Print(stderr, std::string(kProgram) + ": las descargas no son del mismo contador: «" +
                      record.front()->shown + "» tiene el número de serie «" +
                      shown_serial(serial) + "» y «" + record[k]->shown + "» «" +
                      shown_serial(other) + "»\n");
    return kUsageError;
  }
  std::vector<NamedDownload> named;
  std::string shown;
  for (std::size_t k = 0; k < record.size(); ++k) {
    for (const FileId& file : named_files) sessions[k]->RefuseAlso(file);
    named.push_back({record[k]->named, *sessions[k]});
    shown += (k > 0 ? " + " : "") + record[k]->shown;
  }
  if (const std::optional<int> stop = save(named, shown, 0)) return *stop;
  return finish(status);
}

// Writes --help or --version; a text that cannot be written is a failure of its own.
int PrintText(const std::string& text) {
  if (Print(stdout, text)) return kAllReported;
  const ConversionError failure = FileFailure(errno != 0 ? errno : EIO, kStandardOutput);
  Print(stderr, std::string(kProgram) + ": " + FailureLine(kStandardOutput, failure));
  return kOutputFailed;
}

}  // namespace
}  // namespace tarvex

int main(int argc, char* argv[]) {
  using namespace tarvex;
  GuardAppendsAgainstSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  Options options;
  try {
    options = ParseArguments(args);
  } catch (const UsageError& error) {
    Print(stderr, std::string(kProgram) + ": " + error.problem + "\n" + kUsage + TryHelp(kProgram));
    return kUsageError;
  }
  if (options.help) return PrintText(std::string(kUsage) + kHelp);
  if (options.version) {
    return PrintText("tarvex-report (Tarvex) " TARVEX_VERSION
                     "\nInformes de las descargas de un contador de vehículos.\n");
  }
  try {
    return Run(options);
  } catch (const std::exception& error) {
    Print(stderr, std::string(kProgram) + ": " + error.what() + "\n");
    return kSomeFailed;
  }
}

// Starts Tarvex: the main window over Qt's own dialogs, in Spanish; `tarvex FILE` opens FILE
// at start-up as the Open dialog would.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>
#include <QTranslator>
#include <QWindow>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/app_icon.h"
#include "base/append_file.h"
#include "base/conversion_error.h"
#include "base/program_text.h"
#include "window/main_window.h"
#include "window/platform.h"
#include "window/window_constants.h"

namespace {

// The program's own texts go through Text::tr(), in the translation context "tarvex".
struct Text {
  Q_DECLARE_TR_FUNCTIONS(tarvex)
};

constexpr const char* kHelp = QT_TRANSLATE_NOOP(
    "tarvex",
    "Uso: tarvex [opciones] [DESCARGA]\n"
    "Convierte las descargas de un contador de vehículos: muestra su identificación, las\n"
    "listas de ENTRADAS y SALIDAS con sus recuentos, y añade su informe a un archivo.\n"
    "\n"
    "Opciones:\n"
    "  -h, --help     muestra esta ayuda y termina\n"
    "  -v, --version  muestra la versión y termina\n"
    "También se aceptan las opciones de Qt (-style, -platform, -display, -reverse...).\n"
    "\n"
    "Argumentos:\n"
    "  DESCARGA       archivo de descarga que se abre al empezar, como con Abrir\n");

// Qt's own options, which QApplication takes from the command line: with a value, and without.
constexpr const char* kQtOptionsWithValue[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "qmljsdebugger"};
constexpr const char* kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// False when the text could not be written whole.
bool Print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  const bool written = std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()),
                                   stream) == static_cast<std::size_t>(bytes.size());
  return std::fflush(stream) == 0 && written;
}

// --help and --version: a text that cannot be written is a failure, not a success.
int PrintText(const QString& text) {
  if (Print(stdout, text)) return 0;
  const tarvex::ConversionError failure = tarvex::FileFailure(errno != 0 ? errno : EIO, {});
  Print(stderr, QString::fromStdString("tarvex: " +
                                       tarvex::FailureLine(tarvex::kStandardOutputName, failure)));
  return 1;
}

// The argument of `arguments` that carries the option `name`, as the user typed it.
QString Typed(const QStringList& arguments, const QString& name) {
  for (const QString& argument : arguments.mid(1)) {
    QString bare = argument.section(QLatin1Char('='), 0, 0);
    while (bare.startsWith(QLatin1Char('-'))) bare.remove(0, 1);
    if (bare == name) return argument.section(QLatin1Char('='), 0, 0);
  }
  return name;
}

// The mistake in a command line the parser refused, in words for the user.
QString Mistake(const QCommandLineParser& parser, const QStringList& arguments) {
  if (!parser.unknownOptionNames().isEmpty()) {
    return QString::fromStdString(
        tarvex::UnknownOption(Typed(arguments, parser.unknownOptionNames().front()).toStdString()));
  }
  // Qt's own words name the option between quotes: "Missing value after '-style'."
  const QString error = parser.errorText();
  const QString option = error.section(QLatin1Char('\''), 1, 1);
  if (error.startsWith(QLatin1String("Missing value"))) {
    return QString::fromStdString(tarvex::OptionNeedsValue(option.toStdString()));
  }
  return Text::tr("la opción «%1» no admite valor").arg(option);
}

// While the window system is reached: Qt's messages are held back, and a fatal one (no
// display to connect to, no platform that starts) is said in Spanish, with status 1.
QStringList held_messages;

void StartUpMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) {
    held_messages << message;
    return;
  }
  Print(stderr,
        QStringLiteral("tarvex: ") +
            Text::tr("no se puede mostrar la ventana: no hay una pantalla a la que conectarse "
                     "(compruebe DISPLAY o WAYLAND_DISPLAY).\n"));
  std::_Exit(1);
}

}  // namespace

int main(int argc, char* argv[]) {
  // The command line is read before the window system is reached, so --help and --version
  // work without a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
  parser.addOption(help);
  parser.addOption(version);
  for (const char* name : kQtOptionsWithValue) {
    parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("x")));
  }
  for (const char* name : kQtFlags) parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
  parser.addPositionalArgument(QStringLiteral("DESCARGA"), QString());
  QString mistake;
  if (!parser.parse(arguments)) {
    mistake = Mistake(parser, arguments);
  } else if (parser.positionalArguments().size() > 1) {
    mistake = Text::tr("solo se puede abrir una descarga");
  }
  if (!mistake.isEmpty()) {
    Print(stderr, QStringLiteral("tarvex: ") + mistake + QLatin1Char('\n') +
                      QString::fromStdString(tarvex::TryHelp("tarvex")));
    return 2;
  }
  if (parser.isSet(help)) return PrintText(Text::tr(kHelp));
  if (parser.isSet(version))
    return PrintText(QStringLiteral("tarvex (Tarvex) " TARVEX_VERSION "\n"));

  // The name the window system and the desktop files know the program by.
  QApplication::setApplicationName(QStringLiteral("tarvex"));
  QApplication::setApplicationVersion(QStringLiteral(TARVEX_VERSION));
  QApplication::setDesktopFileName(QStringLiteral(TARVEX_APP_ID));
  const QtMessageHandler usual = qInstallMessageHandler(StartUpMessages);
  QApplication app(argc, argv);
  qInstallMessageHandler(usual);
  for (const QString& message : held_messages) qWarning().noquote() << message;
  QApplication::setWindowIcon(tarvex::TarvexIcon());

  // Qt's own texts (dialog buttons and titles) in Spanish, like the rest of the program.
  QTranslator qt_spanish;
  if (tarvex::LoadQtSpanish(qt_spanish)) QApplication::installTranslator(&qt_spanish);

  // A Save or an export cut short by a signal that ends the program (the end of the session's
  // SIGTERM or SIGHUP, a Ctrl+\ SIGQUIT, a timer, a CPU limit) leaves the file as it was.
  tarvex::GuardAppendsAgainstSignals();
  tarvex::QtPlatform platform;
  tarvex::MainWindow window(platform);
  window.show();
  if (!parser.positionalArguments().isEmpty()) {
    // Once the window stands on the screen, so a failure box is centred over it.
    const std::filesystem::path download =
        tarvex::MainWindow::CommandLineDownload(parser.positionalArguments().front(), argc, argv);
    auto* wait = new QTimer(&window);
    int tries = 0;
    QObject::connect(wait, &QTimer::timeout, &window, [&window, wait, download, tries]() mutable {
      const QWindow* shown = window.windowHandle();
      if ((shown == nullptr || !shown->isExposed()) && ++tries < 200) return;
      wait->stop();
      window.openDownload(download);
    });
    wait->start(10);
  }
  return QApplication::exec();
}

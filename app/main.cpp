// Starts Tarvex: the main window over Qt's own dialogs, in Spanish; `tarvex FILE` opens FILE
// at start-up as the Open dialog would.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "conversion/append_file.h"
#include "window/app_icon.h"
#include "window/platform.h"
#include "window/vlm1.h"

namespace {

constexpr const char* kHelp =
    "Uso: tarvex [opciones] [DESCARGA]\n"
    "Convierte las descargas de un contador de vehículos: muestra su identificación, las\n"
    "listas de ENTRADAS y SALIDAS con sus recuentos, y añade su informe a un archivo.\n"
    "\n"
    "Opciones:\n"
    "  -h, --help     muestra esta ayuda y termina\n"
    "  -v, --version  muestra la versión y termina\n"
    "\n"
    "Argumentos:\n"
    "  DESCARGA       archivo de descarga que se abre al empezar, como con Abrir\n";

void Print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

}  // namespace

int main(int argc, char* argv[]) {
  // The command line is read before the window system is reached, so --help and --version
  // work without a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument(QStringLiteral("DESCARGA"), QString());
  QString mistake;
  if (!parser.parse(arguments)) {
    mistake = QStringLiteral("opción desconocida: «%1»").arg(parser.unknownOptionNames().value(0));
  } else if (parser.positionalArguments().size() > 1) {
    mistake = QStringLiteral("solo se puede abrir una descarga");
  }
  if (!mistake.isEmpty()) {
    Print(stderr, QStringLiteral("tarvex: ") + mistake +
                      QStringLiteral("\nPruebe «tarvex --help» para más información.\n"));
    return 2;
  }
  if (parser.isSet(help)) {
    Print(stdout, QString::fromUtf8(kHelp));
    return 0;
  }
  if (parser.isSet(version)) {
    Print(stdout, QStringLiteral("tarvex (Tarvex) " TARVEX_VERSION "\n"));
    return 0;
  }

  // The name the window system and the desktop files know the program by.
  QApplication::setApplicationName(QStringLiteral("tarvex"));
  QApplication::setApplicationVersion(QStringLiteral(TARVEX_VERSION));
  QApplication::setDesktopFileName(QStringLiteral(TARVEX_APP_ID));
  QApplication app(argc, argv);
  QApplication::setWindowIcon(tarvex::TarvexIcon());

  // Qt's own texts (dialog buttons and titles) in Spanish, like the rest of the program.
  QTranslator qt_spanish;
  if (tarvex::LoadQtSpanish(qt_spanish)) QApplication::installTranslator(&qt_spanish);

  // A Save cut short by the end of the session (SIGTERM, SIGHUP) leaves the report file as
  // it was.
  tarvex::GuardAppendsAgainstSignals();
  tarvex::QtPlatform platform;
  tarvex::VLM1 window(platform);
  window.show();
  if (!parser.positionalArguments().isEmpty()) {
    // Once the window is up, so a failure box has its window to stand over.
    const QString download = parser.positionalArguments().front();
    QTimer::singleShot(0, &window, [&window, download] { window.OpenDownload(download); });
  }
  return QApplication::exec();
}

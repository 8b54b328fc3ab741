// Starts Tarvex: the main window over Qt's own dialogs, in Spanish.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "window/app_icon.h"
#include "window/platform.h"
#include "window/vlm1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(tarvex::kAppTitle));
  QApplication::setWindowIcon(tarvex::TarvexIcon());

  // Qt's own texts (dialog buttons and titles) in Spanish, like the rest of the program.
  QTranslator qt_spanish;
  if (qt_spanish.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qt_spanish);
  }

  tarvex::QtPlatform platform;
  tarvex::VLM1 window(platform);
  window.show();
  return QApplication::exec();
}

// Writes the application icon and the downloads' icon as the files the desktop's icon theme
// takes, from the same drawings as the window's icon:
//   icon-files FOLDER APP_NAME DOWNLOAD_NAME
// makes FOLDER/SIZExSIZE/apps/APP_NAME.png and FOLDER/SIZExSIZE/mimetypes/DOWNLOAD_NAME.png
// at every size the window's icon has, and FOLDER/scalable/apps/APP_NAME.svg and
// FOLDER/scalable/mimetypes/DOWNLOAD_NAME.svg. The files depend on nothing but the drawing:
// no font, no time. Run during the build; exits 1 with a message when a file cannot be written.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "app/app_icon.h"

namespace {

bool MakeFolderFor(const QString& file) {
  if (QDir().mkpath(QFileInfo(file).path())) return true;
  std::fprintf(stderr, "icon-files: cannot make the folder for %s\n", qPrintable(file));
  return false;
}

using Paint = void (*)(QPainter&, qreal);

bool WritePng(const QString& file, int size, Paint paint) {
  if (!MakeFolderFor(file)) return false;
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    paint(painter, size);
  }
  if (image.save(file, "PNG")) return true;
  std::fprintf(stderr, "icon-files: cannot write %s\n", qPrintable(file));
  return false;
}

bool WriteSvg(const QString& file, Paint paint) {
  if (!MakeFolderFor(file)) return false;
  constexpr int kSize = 64;
  QSvgGenerator svg;
  svg.setFileName(file);
  svg.setSize(QSize(kSize, kSize));
  svg.setViewBox(QRect(0, 0, kSize, kSize));
  svg.setTitle(QStringLiteral("Tarvex"));
  QPainter painter;
  if (painter.begin(&svg)) {
    paint(painter, kSize);
    if (painter.end()) return true;
  }
  std::fprintf(stderr, "icon-files: cannot write %s\n", qPrintable(file));
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  const QStringList arguments = QGuiApplication::arguments();
  if (arguments.size() != 4) {
    std::fprintf(stderr, "usage: icon-files FOLDER APP_NAME DOWNLOAD_NAME\n");
    return 2;
  }
  const QString& folder = arguments[1];
  const struct {
    QString place;
    Paint paint;
  } icons[] = {{"apps/" + arguments[2], tarvex::PaintTarvexIcon},
               {"mimetypes/" + arguments[3], tarvex::PaintDownloadIcon}};
  for (const auto& icon : icons) {
    for (int size : tarvex::kIconSizes) {
      if (!WritePng(folder + QStringLiteral("/%1x%1/").arg(size) + icon.place + ".png", size,
                    icon.paint)) {
        return 1;
      }
    }
    if (!WriteSvg(folder + "/scalable/" + icon.place + ".svg", icon.paint)) return 1;
  }
  return 0;
}

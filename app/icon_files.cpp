// Writes the application icon as the files the desktop's icon theme takes, from the same
// drawing as the window's icon:
//   icon-files FOLDER NAME
// makes FOLDER/48x48/apps/NAME.png, FOLDER/64x64/apps/NAME.png and FOLDER/scalable/apps/NAME.svg.
// Run during the build; exits 1 with a message when a file cannot be written.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "window/app_icon.h"

namespace {

bool MakeFolderFor(const QString& file) {
  if (QDir().mkpath(QFileInfo(file).path())) return true;
  std::fprintf(stderr, "icon-files: cannot make the folder for %s\n", qPrintable(file));
  return false;
}

bool WritePng(const QString& file, int size) {
  if (!MakeFolderFor(file)) return false;
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    tarvex::PaintTarvexIcon(painter, size);
  }
  if (image.save(file, "PNG")) return true;
  std::fprintf(stderr, "icon-files: cannot write %s\n", qPrintable(file));
  return false;
}

bool WriteSvg(const QString& file) {
  if (!MakeFolderFor(file)) return false;
  constexpr int kSize = 64;
  QSvgGenerator svg;
  svg.setFileName(file);
  svg.setSize(QSize(kSize, kSize));
  svg.setViewBox(QRect(0, 0, kSize, kSize));
  svg.setTitle(QStringLiteral("Tarvex"));
  QPainter painter;
  if (painter.begin(&svg)) {
    tarvex::PaintTarvexIcon(painter, kSize);
    if (painter.end()) return true;
  }
  std::fprintf(stderr, "icon-files: cannot write %s\n", qPrintable(file));
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  const QStringList arguments = QGuiApplication::arguments();
  if (arguments.size() != 3) {
    std::fprintf(stderr, "usage: icon-files FOLDER NAME\n");
    return 2;
  }
  const QString folder = arguments[1];
  const QString name = arguments[2];
  const bool written = WritePng(folder + "/48x48/apps/" + name + ".png", 48) &&
                       WritePng(folder + "/64x64/apps/" + name + ".png", 64) &&
                       WriteSvg(folder + "/scalable/apps/" + name + ".svg");
  return written ? 0 : 1;
}

// The icon files installed for the desktop against the drawings of the icons.
#include "app/app_icon.h"

#include <QDirIterator>
#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>

class AppIconTests : public QObject {
  Q_OBJECT

  static QImage Drawn(int size, void (*paint)(QPainter&, qreal)) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, size);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
  }

 private slots:
  // The same pixels at every size, and the scalable ones drawn the same (up to their
  // smoothing); nothing else is made. The drawings take nothing from the fonts.
  void iconFilesAreTheDrawings() {
    const QString folder = QStringLiteral(TARVEX_ICON_FILES "/");
    const struct {
      QString place;
      void (*paint)(QPainter&, qreal);
    } icons[] = {{"apps/" TARVEX_APP_ID, tarvex::PaintTarvexIcon},
                 {"mimetypes/" TARVEX_DOWNLOAD_ICON, tarvex::PaintDownloadIcon}};
    QStringList expected, found;
    for (const auto& icon : icons) {
      for (int size : tarvex::kIconSizes) {
        expected << QStringLiteral("%1x%1/").arg(size) + icon.place + ".png";
        QCOMPARE(QImage(folder + expected.last()).convertToFormat(QImage::Format_ARGB32),
                 Drawn(size, icon.paint));
      }
      expected << "scalable/" + icon.place + ".svg";
      QSvgRenderer svg(folder + expected.last());
      QVERIFY(svg.isValid());
      QImage rendered(64, 64, QImage::Format_ARGB32_Premultiplied);
      rendered.fill(Qt::transparent);
      QPainter painter(&rendered);
      svg.render(&painter);
      painter.end();
      const QImage reference = Drawn(64, icon.paint);
      int far = 0;  // pixels that differ by more than the smoothing can explain
      for (int i = 0; i < 64 * 64; ++i) {
        const QColor a = rendered.pixelColor(i % 64, i / 64);
        const QColor b = reference.pixelColor(i % 64, i / 64);
        const int gap = std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                        std::abs(a.blue() - b.blue()) + std::abs(a.alpha() - b.alpha());
        far += gap > 96 ? 1 : 0;
      }
      QVERIFY2(far < 8, qPrintable(expected.last() + QStringLiteral(": %1 differ").arg(far)));
      const QFont font = QGuiApplication::font();
      QGuiApplication::setFont(QFont(QStringLiteral("Serif"), 30, QFont::Black, true));
      const QImage other_font = Drawn(256, icon.paint);
      QGuiApplication::setFont(font);
      QCOMPARE(other_font, Drawn(256, icon.paint));
    }
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
      found << it.next().mid(folder.size());
    }
    expected.sort();
    found.sort();
    QCOMPARE(found, expected);
  }
};

QTEST_MAIN(AppIconTests)
#include "app_icon_test.moc"

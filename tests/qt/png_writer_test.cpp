#include "qt/png_writer.hpp"

#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

const QRgb kGrey = qRgb(240, 240, 240);

std::filesystem::path Path(const QTemporaryDir& dir, const char* name) {
  return std::filesystem::path(dir.filePath(QString::fromLatin1(name)).toStdU16String());
}

QString Text(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

}  // namespace

class PngWriterTest : public QObject {
  Q_OBJECT

 private slots:
  // An odd width needs padded rows in the bitmap.
  void bitmapHasTheWidgetsSize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("odd") << QSize(37, 21);
    QTest::newRow("window") << QSize(640, 480);
  }

  void bitmapHasTheWidgetsSize() {
    QFETCH(QSize, size);
    QTemporaryDir dir;
    QWidget widget;
    widget.setAutoFillBackground(true);
    widget.setPalette(QPalette(QColor(kGrey)));
    widget.resize(size);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));

    const auto path = Path(dir, "shot.bmp");
    QCOMPARE(QString::fromStdString(orvelt::Save_Widget_Bitmap(widget, path)), QString());
    QImage image;
    QVERIFY(image.load(Text(path), "BMP"));
    QCOMPARE(image.size(), size * widget.devicePixelRatio());
    QCOMPARE(image.pixel(image.width() - 1, image.height() - 1), kGrey);
  }

  // Exactly the window grey turns transparent, even next to colours a step away from it; the
  // rest keeps its colour as closely as a palette of 256 allows.
  void pngIsTransparentExactlyWhereGrey() {
    QImage picture(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 160; ++x) {
        QRgb colour = qRgb(x * 255 / 160, y * 255 / 120, (x * 7 + y * 13) % 256);
        if (x < 10 || y < 10) colour = kGrey;
        if (y == 10) colour = qRgb(240, 240, x % 2 == 0 ? 241 : 239);
        picture.setPixel(x, y, colour);
      }
    }
    QTemporaryDir dir;
    const auto bitmap = Path(dir, "shot.bmp"), png = Path(dir, "shot.png");
    QVERIFY(picture.save(Text(bitmap), "BMP"));

    QCOMPARE(QString::fromStdString(orvelt::Write_Png_From_Bitmap(bitmap, png, 240, 240, 240)),
             QString());

    QImage result;
    QVERIFY(result.load(Text(png), "PNG"));
    QCOMPARE(result.size(), picture.size());
    QCOMPARE(result.format(), QImage::Format_Indexed8);
    QVERIFY(result.colorCount() <= 256);
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        const QRgb was = picture.pixel(x, y), now = result.pixel(x, y);
        const int off =
            std::max({std::abs(qRed(now) - qRed(was)), std::abs(qGreen(now) - qGreen(was)),
                      std::abs(qBlue(now) - qBlue(was))});
        QVERIFY2(was == kGrey ? qAlpha(now) == 0 : qAlpha(now) == 255 && off <= 40,
                 qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
      }
    }
  }
};

QTEST_MAIN(PngWriterTest)
#include "png_writer_test.moc"

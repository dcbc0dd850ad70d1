#include "qt/png_writer.hpp"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <filesystem>
#include <set>

namespace {

const QRgb kGrey = qRgb(240, 240, 240);

std::filesystem::path Path(const QTemporaryDir& dir, const char* name) {
  return std::filesystem::path(dir.filePath(QString::fromLatin1(name)).toStdU16String());
}

// A picture with the window grey, colours next to it that must stay opaque, and a ramp with
// more colours than a palette holds.
QImage Ramp_Picture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      QRgb colour = qRgb(x * 255 / width, y * 255 / height, (x * 7 + y * 13) % 256);
      if (x < 10 || y < 10) colour = kGrey;
      if (y == 10) colour = qRgb(240, 240, x % 2 == 0 ? 241 : 239);
      image.setPixel(x, y, colour);
    }
  }
  return image;
}

QImage Few_Colours_Picture() {
  QImage image(20, 10, QImage::Format_RGB32);
  image.fill(kGrey);
  for (int x = 0; x < 20; ++x) image.setPixel(x, 5, x % 2 == 0 ? qRgb(0, 0, 128) : qRgb(255, 0, 0));
  image.setPixel(3, 3, qRgb(240, 240, 240 - 1));
  return image;
}

}  // namespace

class PngWriterTest : public QObject {
  Q_OBJECT

 private slots:
  void bitmapHasTheWidgetsSize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("small") << QSize(37, 21);
    QTest::newRow("window") << QSize(640, 480);
  }

  void bitmapHasTheWidgetsSize() {
    QFETCH(QSize, size);
    QTemporaryDir dir;
    QWidget widget;
    widget.setAutoFillBackground(true);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, QColor(kGrey));
    widget.setPalette(palette);
    widget.resize(size);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));

    const auto path = Path(dir, "shot.bmp");
    QCOMPARE(QString::fromStdString(orvelt::Save_Widget_Bitmap(widget, path)), QString());

    QFile file(QString::fromStdU16String(path.u16string()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(2), QByteArray("BM"));
    file.seek(0);
    QImageReader reader(&file);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage image = reader.read();
    QCOMPARE(image.size(), size * widget.devicePixelRatio());
    QCOMPARE(image.pixel(image.width() / 2, image.height() / 2), kGrey);
  }

  void bitmapIntoMissingFolderFails() {
    QTemporaryDir dir;
    QWidget widget;
    widget.resize(10, 10);
    const auto path = Path(dir, "missing/shot.bmp");
    QVERIFY(!orvelt::Save_Widget_Bitmap(widget, path).empty());
    QVERIFY(!std::filesystem::exists(path));
  }

  void pngIsTransparentExactlyWhereGrey_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("few colours") << Few_Colours_Picture() << 0;
    QTest::newRow("many colours") << Ramp_Picture(160, 120) << 40;
  }

  void pngIsTransparentExactlyWhereGrey() {
    QFETCH(QImage, picture);
    QFETCH(int, tolerance);
    QTemporaryDir dir;
    const auto bitmap = Path(dir, "shot.bmp");
    const auto png = Path(dir, "shot.png");
    QVERIFY(picture.save(QString::fromStdU16String(bitmap.u16string()), "BMP"));

    QCOMPARE(QString::fromStdString(orvelt::Write_Png_From_Bitmap(bitmap, png, 240, 240, 240)),
             QString());

    QImageReader reader(QString::fromStdU16String(png.u16string()));
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage result = reader.read();
    QCOMPARE(result.size(), picture.size());
    QCOMPARE(result.format(), QImage::Format_Indexed8);
    QVERIFY(result.colorCount() <= 256);
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        const QRgb was = picture.pixel(x, y);
        const QRgb now = result.pixel(x, y);
        colours.insert(now);
        if (was == kGrey) {
          QVERIFY2(qAlpha(now) == 0, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        } else {
          QVERIFY2(qAlpha(now) == 255, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
          QVERIFY(std::abs(qRed(now) - qRed(was)) <= tolerance);
          QVERIFY(std::abs(qGreen(now) - qGreen(was)) <= tolerance);
          QVERIFY(std::abs(qBlue(now) - qBlue(was)) <= tolerance);
        }
      }
    }
    QVERIFY(colours.size() <= 256);
  }

  void pngFromMissingOrBrokenBitmapFails() {
    QTemporaryDir dir;
    const auto broken = Path(dir, "broken.bmp");
    QFile file(QString::fromStdU16String(broken.u16string()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BM not really");
    file.close();
    for (const char* name : {"missing.bmp", "broken.bmp"}) {
      const auto png = Path(dir, "out.png");
      QVERIFY2(!orvelt::Write_Png_From_Bitmap(Path(dir, name), png, 240, 240, 240).empty(), name);
      QVERIFY(!std::filesystem::exists(png));
    }
  }
};

QTEST_MAIN(PngWriterTest)
#include "png_writer_test.moc"

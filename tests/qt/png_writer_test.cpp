#include "qt/png_writer.hpp"

#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

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
    QCOMPARE(QString::fromStdString(orvelt::Save_Widget_Bitmap(widget, path).why()), QString());
    QImage image;
    QVERIFY(image.load(Text(path), "BMP"));
    QCOMPARE(image.size(), size * widget.devicePixelRatio());
    QCOMPARE(image.pixel(image.width() - 1, image.height() - 1), kGrey);
  }

  // The palette rule is the core's; here the PNG is indexed and transparent where the bitmap
  // was window grey, and nowhere else.
  void pngIsTransparentWhereGrey() {
    QImage picture(16, 12, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    picture.setPixel(3, 4, kGrey);
    QTemporaryDir dir;
    const auto bitmap = Path(dir, "shot.bmp"), png = Path(dir, "shot.png");
    QVERIFY(picture.save(Text(bitmap), "BMP"));
    QCOMPARE(
        QString::fromStdString(orvelt::Write_Png_From_Bitmap(bitmap, png, 240, 240, 240).why()),
        QString());
    QImage result;
    QVERIFY(result.load(Text(png), "PNG"));
    QCOMPARE(result.format(), QImage::Format_Indexed8);
    QCOMPARE(qAlpha(result.pixel(3, 4)), 0);
    QCOMPARE(result.pixel(0, 0), qRgb(10, 200, 30));
  }
};

QTEST_MAIN(PngWriterTest)
#include "png_writer_test.moc"

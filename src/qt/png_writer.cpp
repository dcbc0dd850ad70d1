#include "qt/png_writer.hpp"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <vector>

#include "export/palette_reduction.hpp"

namespace orvelt {

namespace {

QString To_QString(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

Outcome Failed(const QString& why) {
  return Outcome::Failed(why.toStdString());
}

// Writes `image` in `format` through a save file, so that the target appears only complete.
Outcome Write_Image(const QImage& image, const std::filesystem::path& path, const char* format) {
  QSaveFile file(To_QString(path));
  if (!file.open(QIODevice::WriteOnly)) return Failed(file.errorString());
  QImageWriter writer(&file, format);
  if (!writer.write(image)) {
    file.cancelWriting();
    return Failed(writer.errorString());
  }
  if (!file.commit()) return Failed(file.errorString());
  return Outcome::Done();
}

}  // namespace

Outcome Save_Widget_Bitmap(QWidget& widget, const std::filesystem::path& path) {
  QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return Outcome::Failed("the window could not be copied");
  image.setDevicePixelRatio(1.0);
  return Write_Image(image, path, "BMP");
}

Outcome Write_Png_From_Bitmap(const std::filesystem::path& bitmap, const std::filesystem::path& png,
                              std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  QFile input(To_QString(bitmap));
  if (!input.open(QIODevice::ReadOnly)) return Failed(input.errorString());
  QImageReader reader(&input, "BMP");
  const QImage source = reader.read().convertToFormat(QImage::Format_RGB32);
  if (source.isNull()) return Failed(reader.errorString());

  const int width = source.width();
  const int height = source.height();
  std::vector<std::uint32_t> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    pixels.insert(pixels.end(), line, line + width);
  }
  const IndexedPixels reduced = Reduce_To_Palette(pixels, qRgb(red, green, blue));

  QImage result(width, height, QImage::Format_Indexed8);
  QList<QRgb> table;
  table.reserve(static_cast<qsizetype>(reduced.palette.size()));
  for (std::size_t i = 0; i < reduced.palette.size(); ++i) {
    const QRgb colour = reduced.palette[i];
    const bool clear = static_cast<int>(i) == reduced.transparent_index;
    table.push_back(qRgba(qRed(colour), qGreen(colour), qBlue(colour), clear ? 0 : 255));
  }
  result.setColorTable(table);
  for (int y = 0; y < height; ++y) {
    const auto offset = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    std::copy_n(reduced.indexes.begin() + static_cast<std::ptrdiff_t>(offset), width,
                result.scanLine(y));
  }
  return Write_Image(result, png, "PNG");
}

}  // namespace orvelt

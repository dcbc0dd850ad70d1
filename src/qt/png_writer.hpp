#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/result.hpp"

class QWidget;

namespace orvelt {

// The image files of the screenshot. A failed write says why and leaves no partial file
// behind.

// Writes `widget` as it is drawn now, at its current size, as a 24-bit Windows bitmap.
Outcome Save_Widget_Bitmap(QWidget& widget, const std::filesystem::path& path);

// Reads a bitmap and writes it as a PNG with a palette of at most 256 colours, in which the
// pixels of exactly red, green, blue are transparent and all others opaque. It stands in for
// the external converter when that is not installed.
Outcome Write_Png_From_Bitmap(const std::filesystem::path& bitmap, const std::filesystem::path& png,
                              std::uint8_t red, std::uint8_t green, std::uint8_t blue);

}  // namespace orvelt

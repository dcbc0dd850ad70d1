#include "export/palette_reduction.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace orvelt {
namespace {

constexpr std::uint32_t kGrey = 0xF0F0F0;

// A grey frame around a colour ramp, with a row of the grey's nearest neighbours that must stay
// opaque.
std::vector<std::uint32_t> Gradient(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint32_t> pixels;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t ramp =
          ((x * 255 / width) << 16) | ((y * 255 / height) << 8) | ((x * y) % 256);
      pixels.push_back(y < 4 || x < 4 ? kGrey : y == 4 ? 0xF0F0EF + x % 3 : ramp);
    }
  }
  return pixels;
}

// Only the exact grey turns transparent, and every other pixel keeps a colour close to its own.
TEST(ReducePalette, OnlyTheExactColourTurnsTransparentAndTheRestStaysClose) {
  const struct {
    std::vector<std::uint32_t> pixels;  // the top byte is ignored
    std::size_t max_colours, palette_size;
    int tolerance;  // largest channel error allowed for opaque pixels
  } cases[] = {
      {{kGrey, 0, 0xFFFFFF, 0xFF000000 | kGrey, 0x123456, 0xF0F0F1, 0x1200FF00}, 256, 6, 0},
      {{0x000000, 0xFFFFFF}, 256, 2, 0},
      {Gradient(96, 80), 256, 256, 48},
      {Gradient(40, 40), 16, 16, 160},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pixels.size());
    const IndexedPixels reduced = Reduce_To_Palette(c.pixels, kGrey, c.max_colours);
    ASSERT_EQ(reduced.palette.size(), c.palette_size);
    ASSERT_EQ(reduced.indexes.size(), c.pixels.size());
    for (std::size_t i = 0; i < c.pixels.size(); ++i) {
      const std::uint32_t colour = c.pixels[i] & 0xFFFFFF;
      const std::uint8_t index = reduced.indexes[i];
      ASSERT_LT(index, reduced.palette.size());
      EXPECT_EQ(index == reduced.transparent_index, colour == kGrey) << "pixel " << i;
      for (const int shift : {0, 8, 16}) {
        const int error = int(reduced.palette[index] >> shift & 0xFF) - int(colour >> shift & 0xFF);
        EXPECT_LE(std::abs(error), c.tolerance) << "pixel " << i;
      }
    }
  }
}

}  // namespace
}  // namespace orvelt

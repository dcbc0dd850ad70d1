#include "export/palette_reduction.hpp"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(ReducePalette, OnlyTheExactColourTurnsTransparentAndTheRestStaysClose) {
  struct Case {
    std::vector<std::uint32_t> pixels;  // the top byte is ignored
    std::size_t max_colours, palette_size;
    int tolerance;  // largest channel error allowed for opaque pixels
  };
  const std::vector<Case> cases = {
      {{kGrey, 0, 0xFFFFFF, 0xFF000000 | kGrey, 0x123456, 0xF0F0F1, 0x1200FF00}, 256, 6, 0},
      {{0x000000, 0xFFFFFF, 0x00FF00}, 256, 3, 0},
      {{}, 256, 0, 0},
      {Gradient(96, 80), 256, 256, 48},
      {Gradient(40, 40), 16, 16, 160},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pixels.size());
    const IndexedPixels reduced = Reduce_To_Palette(c.pixels, kGrey, c.max_colours);
    ASSERT_EQ(reduced.palette.size(), c.palette_size);
    ASSERT_EQ(reduced.indexes.size(), c.pixels.size());
    bool any_grey = false;
    for (std::size_t i = 0; i < c.pixels.size(); ++i) {
      const std::uint32_t colour = c.pixels[i] & 0xFFFFFF;
      const std::uint8_t index = reduced.indexes[i];
      ASSERT_LT(index, reduced.palette.size());
      any_grey = any_grey || colour == kGrey;
      if (colour == kGrey) {
        EXPECT_EQ(index, reduced.transparent_index) << "pixel " << i;
      } else {
        EXPECT_NE(index, reduced.transparent_index) << "pixel " << i;
        for (const int shift : {0, 8, 16}) {
          const auto channel = [&](std::uint32_t rgb) {
            return static_cast<int>(rgb >> shift & 0xFF);
          };
          EXPECT_LE(std::abs(channel(reduced.palette[index]) - channel(colour)), c.tolerance)
              << "pixel " << i;
        }
      }
    }
    if (any_grey) {
      EXPECT_EQ(reduced.palette.at(static_cast<std::size_t>(reduced.transparent_index)), kGrey);
    } else {
      EXPECT_EQ(reduced.transparent_index, -1);
    }
  }
}

}  // namespace
}  // namespace orvelt

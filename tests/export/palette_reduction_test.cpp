#include "export/palette_reduction.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

namespace orvelt {
namespace {

constexpr std::uint32_t kGrey = 0xF0F0F0;

std::uint32_t Rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
}

int Distance(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int shift : {0, 8, 16}) {
    worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                     static_cast<int>((b >> shift) & 0xFF)));
  }
  return worst;
}

struct PictureCase {
  const char* what;
  std::vector<std::uint32_t> pixels;
  std::size_t max_colours;
  int tolerance;  // largest channel error allowed for opaque pixels
};

std::vector<std::uint32_t> Gradient(int width, int height) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Grey frame around a colour ramp, with neighbours of the grey that must stay opaque.
      if (y < 4 || x < 4) {
        pixels.push_back(kGrey);
      } else if (y == 4) {
        pixels.push_back(Rgb(240, 240, 239 + x % 3));
      } else {
        pixels.push_back(Rgb(x * 255 / width, y * 255 / height, (x * y) % 256));
      }
    }
  }
  return pixels;
}

const std::vector<PictureCase> kPictures = {
    {"few colours stay exact",
     {kGrey, 0x000000, 0xFFFFFF, kGrey, 0x123456, Rgb(240, 240, 241)},
     256,
     0},
    {"no transparent colour", {0x000000, 0xFFFFFF, 0x00FF00}, 256, 0},
    {"only the transparent colour", {kGrey, kGrey}, 256, 0},
    {"upper byte is ignored", {0xFF000000 | kGrey, 0x12000000 | 0x00FF00}, 256, 0},
    {"more colours than entries", Gradient(96, 80), 256, 48},
    {"tight palette", Gradient(40, 40), 16, 160},
};

TEST(Reduce_To_Palette, KeepsTransparencyExactAndColoursClose) {
  for (const PictureCase& c : kPictures) {
    SCOPED_TRACE(c.what);
    const IndexedPixels reduced = Reduce_To_Palette(c.pixels, kGrey, c.max_colours);
    ASSERT_LE(reduced.palette.size(), c.max_colours);
    ASSERT_EQ(reduced.indexes.size(), c.pixels.size());
    bool any_grey = false;
    for (std::size_t i = 0; i < c.pixels.size(); ++i) {
      const std::uint32_t colour = c.pixels[i] & 0xFFFFFF;
      const std::uint8_t index = reduced.indexes[i];
      ASSERT_LT(index, reduced.palette.size());
      if (colour == kGrey) {
        any_grey = true;
        EXPECT_EQ(index, reduced.transparent_index) << "pixel " << i;
      } else {
        EXPECT_NE(index, reduced.transparent_index) << "pixel " << i;
        EXPECT_LE(Distance(reduced.palette[index], colour), c.tolerance) << "pixel " << i;
      }
    }
    if (any_grey) {
      EXPECT_EQ(reduced.palette.at(static_cast<std::size_t>(reduced.transparent_index)), kGrey);
    } else {
      EXPECT_EQ(reduced.transparent_index, -1);
    }
  }
}

TEST(Reduce_To_Palette, UsesTheWholeBudgetWhenColoursExceedIt) {
  const std::vector<std::uint32_t> pixels = Gradient(96, 80);
  const IndexedPixels reduced = Reduce_To_Palette(pixels, kGrey, 256);
  EXPECT_EQ(reduced.palette.size(), 256u);
  const std::set<std::uint8_t> used(reduced.indexes.begin(), reduced.indexes.end());
  EXPECT_EQ(used.size(), 256u);
}

TEST(Reduce_To_Palette, EmptyPicture) {
  const IndexedPixels reduced = Reduce_To_Palette({}, kGrey);
  EXPECT_TRUE(reduced.palette.empty());
  EXPECT_TRUE(reduced.indexes.empty());
  EXPECT_EQ(reduced.transparent_index, -1);
}

}  // namespace
}  // namespace orvelt

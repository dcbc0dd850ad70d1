#include "decode/raw_values.hpp"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace orvelt {
namespace {

struct WordCase {
  std::array<std::uint8_t, 4> bytes;
  std::int32_t int32_be;
  std::int16_t int16_le;  // from the first two bytes
};

TEST(RawValues, FixedWidthReaders) {
  const WordCase cases[] = {
      {{0x34, 0x12, 0x00, 0x00}, 0x34120000, 4660}, {{0x00, 0x80, 0x00, 0x00}, 0x00800000, -32768},
      {{0xFF, 0xFF, 0xFF, 0xFF}, -1, -1},           {{0x00, 0x00, 0x01, 0x00}, 256, 0},
      {{0x80, 0x00, 0x00, 0x00}, INT32_MIN, 128},   {{0x7F, 0xFF, 0xFF, 0xFF}, INT32_MAX, -129},
      {{0xFF, 0xFF, 0xFF, 0x9C}, -100, -1},
  };
  for (const auto& c : cases) {
    // Place the word at byte 9 of a frame, where the decoder reads it.
    std::vector<std::uint8_t> frame(13, 0xAA);
    std::copy(c.bytes.begin(), c.bytes.end(), frame.begin() + 9);
    EXPECT_EQ(Read_Int32_BE(frame, 9), c.int32_be);
    EXPECT_EQ(Read_Int16_LE(frame, 9), c.int16_le);
  }
}

}  // namespace
}  // namespace orvelt

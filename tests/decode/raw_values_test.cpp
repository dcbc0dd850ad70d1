#include "decode/raw_values.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
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

TEST(RawValues, BytesToValue) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::int32_t first, last;
    bool is_unsigned;
    double expected;
    std::int32_t last_after;
    bool message;
  };
  const Case cases[] = {
      {{0xFF}, 0, 0, false, 255, 0, false},  // one byte is always unsigned
      {{0xFF}, 0, 0, true, 255, 0, false},
      {{0xFF, 0xFF}, 0, 1, true, 65535, 1, false},
      {{0xFF, 0xFF}, 0, 1, false, -1, 1, false},
      {{0x01, 0x02, 0x03}, 0, 0, true, 0x030201, 2, false},  // last 0: the upper bound
      {{0x01, 0x02, 0x03, 0x04}, 3, 2, true, -1, 2, true},   // start after end
      {{0x01, 0x02}, -1, 1, true, -1, 1, true},
      {{0x01, 0x02}, 0, 5, true, 0, 5, false},  // beyond the array: 0, no message
      {{0, 0, 0, 0, 0, 0x80}, 0, 5, false, -140737488355328.0, 5, false},
  };
  for (const auto& c : cases) {
    std::int32_t last = c.last;
    std::string shown;
    const double v = Bytes_To_Value(c.bytes, c.first, last, c.is_unsigned,
                                    [&](const char* text) { shown = text; });
    EXPECT_EQ(v, c.expected);
    EXPECT_EQ(last, c.last_after);
    EXPECT_EQ(shown, c.message ? kStartAfterEndMessage : "");
  }
}

}  // namespace
}  // namespace orvelt

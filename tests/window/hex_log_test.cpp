#include "window/hex_log.hpp"

#include <gtest/gtest.h>

#include <array>

namespace orvelt {
namespace {

TEST(HexLog, LinesAndText) {
  HexLog log;
  log.Append(std::array<std::uint8_t, 3>{0x00, 0x86, 0x0A});
  log.Append(std::array<std::uint8_t, 1>{0xFF});
  log.Append(std::span<const std::uint8_t>{});
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log.Line(0), "00 86 0A ");
  EXPECT_EQ(log.Line(1), "FF ");
  EXPECT_EQ(log.Text(), "00 86 0A \r\nFF \r\n\r\n");
}

TEST(HexLog, KeepsTheMostRecentLines) {
  HexLog log;
  const std::size_t total = HexLog::kMaxLines + 2500;
  for (std::size_t i = 0; i < total; ++i) {
    const std::array<std::uint8_t, 2> frame{static_cast<std::uint8_t>(i >> 8),
                                            static_cast<std::uint8_t>(i)};
    log.Append(frame);
  }
  EXPECT_EQ(log.size(), HexLog::kMaxLines);
  EXPECT_EQ(log.total_appended(), total);
  const std::size_t oldest = total - HexLog::kMaxLines;
  EXPECT_EQ(log.Line(0),
            Hex_Line(std::array<std::uint8_t, 2>{std::uint8_t(oldest >> 8), std::uint8_t(oldest)}));
  EXPECT_EQ(log.Line(HexLog::kMaxLines - 1),
            Hex_Line(std::array<std::uint8_t, 2>{std::uint8_t((total - 1) >> 8),
                                                 std::uint8_t(total - 1)}));
}

}  // namespace
}  // namespace orvelt

#include "decode/frame_log.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "decode/line_log.hpp"

namespace orvelt {
namespace {

// Frames keep the file they came from and their number there; received frames, from no file,
// are numbered among themselves.
TEST(FrameLog, NumbersFramesPerFile) {
  FrameLog log;
  const std::array<std::uint8_t, 1> frame{0x00};
  log.Begin_File("/d/a.kss");
  for (const std::int64_t n : {2, 5}) log.Append(frame, "", {}, n);
  log.Begin_File("/d/b.kss");
  log.Append(frame, "", {}, 1);
  log.Append(frame, "", {});
  log.Append(frame, "", {});
  // The same file read again counts from 1 again; a file may hold more frames than 32 bits count.
  log.Begin_File("/d/b.kss");
  for (const std::int64_t n : {1L, 7'000'000'000L, 7'000'000'001L}) log.Append(frame, "", {}, n);
  std::string seen;
  for (std::size_t i = 0; i < log.size(); ++i)
    seen += std::string(log.Entry(i).file) + '#' + std::to_string(log.Entry(i).number) + ' ';
  EXPECT_EQ(
      seen,
      "/d/a.kss#2 /d/a.kss#5 /d/b.kss#1 #1 #2 /d/b.kss#1 /d/b.kss#7000000000 /d/b.kss#7000000001 ");
}

// Both logs keep only their most recent entries, by count and by bytes, and say how many they
// dropped. Each kept frame reads the label it was logged with, across runs of one label, labels
// that come back, too long and empty ones.
TEST(FrameLog, KeepsTheMostRecentFramesByCountAndBytes) {
  const std::string labels[] = {"2026-11-28 09:14:01", "2026-11-28 09:14:02 and more", "", "09:14"};
  // Every fifth frame has a label unlike its neighbours'.
  auto label_of = [&](std::size_t i) {
    return labels[(i / 7 + i / 1000 + (i % 5 == 0)) % std::size(labels)];
  };
  // Frames of 2 bytes meet the bound of lines first, frames of 512 the bound of bytes.
  for (const std::size_t frame_bytes : {2, 512}) {
    const std::size_t kept = frame_bytes == 2 ? FrameLog::kMaxLines : FrameLog::kMaxBytes / 512;
    FrameLog log;
    const std::size_t total = kept + 2500;
    std::vector<std::uint8_t> frame(frame_bytes);
    for (std::size_t i = 0; i < total; ++i) {
      frame[0] = static_cast<std::uint8_t>(i >> 8);
      frame[1] = static_cast<std::uint8_t>(i);
      log.Append(frame, label_of(i), {});
    }
    EXPECT_EQ(log.size(), kept);
    EXPECT_EQ(log.dropped(), total - kept);
    const std::size_t oldest = total - kept;
    EXPECT_EQ(log.Entry(0).bytes[1], static_cast<std::uint8_t>(oldest));
    EXPECT_EQ(log.Entry(kept - 1).bytes[1], static_cast<std::uint8_t>(total - 1));
    for (std::size_t k = 0; k < log.size(); k += 97) {
      const std::string label = label_of(k + oldest);
      ASSERT_EQ(log.Entry(k).label, label.substr(0, kTimeLabelMax)) << k;
    }
  }
}

// A cleared log holds nothing and has dropped nothing, but its positions go on counting, so
// that a frame queued before the clear is never taken for one appended after it.
TEST(FrameLog, ClearingForgetsTheFramesAndKeepsCountingPositions) {
  FrameLog log;
  for (std::uint8_t i = 0; i < 3; ++i) log.Append(std::array<std::uint8_t, 1>{i}, "", {});
  log.Clear();
  EXPECT_EQ(log.dropped(), 0u);
  log.Append(std::array<std::uint8_t, 1>{9}, "", {});
  EXPECT_EQ(log.size(), 1u);
  EXPECT_EQ(log.first_position(), 3u);
  EXPECT_EQ(log.Entry(0).bytes[0], 9);
}

TEST(LineLog, KeepsTheMostRecentLines) {
  LineLog log;
  for (std::size_t i = 0; i < LineLog::kMaxLines + 10; ++i) log.Append(std::to_string(i));
  EXPECT_EQ(log.size(), LineLog::kMaxLines);
  EXPECT_EQ(log[0], "10");
  EXPECT_EQ(log.dropped(), 10u);
  LineLog big;
  const std::string line(1 << 20, 'x');
  for (int i = 0; i < 40; ++i) big.Append(line);
  EXPECT_EQ(big.size(), LineLog::kMaxBytes / line.size());
}

}  // namespace
}  // namespace orvelt

#include "ingest/kiss.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "decode/frame_decoder.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every frame the deframer hands on: decoded frames through the frame log, time labels through
// the label they set. How the bytes are cut into pieces is the business of the last test.
struct ReadResult {
  std::vector<std::string> hex;
  std::string time_label;
  std::uint64_t pending = 0;
};

ReadResult Read(const Bytes& bytes, std::string initial_label = "") {
  TelemetryState state;
  state.TimeLabel = std::move(initial_label);
  ReadResult r;
  KissDeframer deframer;
  deframer.Feed(bytes, [&](auto stored, std::size_t length) {
    Take_Frame(state, stored, length);
    return true;
  });
  for (std::size_t i = 0; i < state.frame_log.size(); ++i) r.hex.push_back(state.frame_log.Line(i));
  r.time_label = state.TimeLabel;
  r.pending = deframer.Pending_Bytes();
  return r;
}

TEST(Kiss, SplitsAtFendAndUnescapes) {
  struct Case {
    const char* what;
    Bytes file;
    std::vector<std::string> hex;
    std::uint64_t pending = 0;  // bytes after the last FEND, waiting for the next
  };
  const Case cases[] = {
      {"one frame", {0xC0, 0x00, 0x01, 0x02, 0xC0}, {"00 01 02 "}},
      {"no FEND at all", {0x00, 0x01, 0x02}, {}, 3},
      {"empty file", {}, {}},
      {"only FENDs", {0xC0, 0xC0, 0xC0}, {}},
      {"last piece waits for its FEND", {0xC0, 0x00, 0x01, 0xC0, 0x00, 0xDB}, {"00 01 "}, 2},
      {"leading bytes before the first FEND are a frame", {0x00, 0x05, 0xC0}, {"00 05 "}},
      {"DB DC and DB DD", {0x00, 0xDB, 0xDC, 0xDB, 0xDD, 0xC0}, {"00 C0 DB "}},
      {"DB DD DC, DB DB DC", {0x00, 0xDB, 0xDD, 0xDC, 0xDB, 0xDB, 0xDC, 0xC0}, {"00 DB DC DB C0 "}},
      {"DB 41 stays, DB ending the piece stays", {0x00, 0xDB, 0x41, 0xDB, 0xC0}, {"00 DB 41 DB "}},
      {"port 1 frame still handed on", {0xC0, 0x10, 0x82, 0xC0}, {"10 82 "}},
      {"frames in order", {0xC0, 0x00, 0x01, 0xC0, 0xC0, 0x00, 0x02, 0xC0}, {"00 01 ", "00 02 "}},
      {"a FEND pair within a long stretch, then an unfinished frame",
       [] {
         Bytes file = {0xC0, 0x00, 0x01, 0xC0, 0xC0};
         file.insert(file.end(), 100, 0x41);
         return file;
       }(),
       {"00 01 "},
       100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ReadResult r = Read(c.file);
    EXPECT_EQ(r.hex, c.hex);
    EXPECT_EQ(r.pending, c.pending);
  }
}

TEST(Kiss, EscapeRoundTripOverAllByteValues) {
  Bytes frame(256), file;
  for (int b = 1; b < 256; ++b) frame[b] = static_cast<std::uint8_t>(b);  // frame[0]: data frame
  Kiss_Encode(frame, file);
  EXPECT_EQ(Read(file).hex, std::vector{Hex_Line(frame)});
}

// A text label keeps its first 19 bytes; a binary one past the year 9999 is kept as its bytes.
TEST(Kiss, TimeLabels) {
  using tools::Binary_Time_Label_Frame, tools::Text_Time_Label_Frame;
  const std::pair<Bytes, std::string> cases[] = {
      {Text_Time_Label_Frame("2026-11-28 09:14:01 UTC+0"), "2026-11-28 09:14:01"},
      {Text_Time_Label_Frame(""), ""},
      {Binary_Time_Label_Frame(1795857241123), "2026-11-28 09:14:01"},
      {Binary_Time_Label_Frame(253402300799999), "9999-12-31 23:59:59"},
      {Binary_Time_Label_Frame(253402300800000), std::string("\0\0\xE6\x77\xD2\x1F\xDC\x00", 8)},
      {Text_Time_Label_Frame("09:14:01"), "09:14:01"},  // 8 bytes, but not starting with NUL
      {Text_Time_Label_Frame(std::string("\0abcdefgh", 9)), std::string("\0abcdefgh", 9)},
  };
  for (const auto& [frame, label] : cases) {
    const ReadResult r = Read(tools::Kiss_Frame(frame), "previous");
    EXPECT_EQ(r.time_label, label);
    EXPECT_TRUE(r.hex.empty());  // label frames get no hex line
  }
}

// The limit counts the bytes after unescaping; a frame over it is skipped, the next one read.
TEST(Kiss, FrameLimitIs512BytesAfterUnescaping) {
  for (const std::size_t length : {512, 513, 40000}) {
    const Bytes data = length == 513 ? Bytes{0x41} : Bytes{kFesc, kTfend};  // one byte escaped
    Bytes file{kFend, 0x00};
    for (std::size_t i = 1; i < length; ++i) file.insert(file.end(), data.begin(), data.end());
    file.insert(file.end(), {kFend, 0x00, 0x07, kFend});
    const ReadResult r = Read(file);
    ASSERT_EQ(r.hex.size(), length <= 512 ? 2u : 1u) << length;
    EXPECT_EQ(r.hex.back(), "00 07 ");
  }
}

using Cut = std::pair<Bytes, std::size_t>;  // the bytes kept and the frame's full length

// The reading the deframer must agree with, one byte at a time.
std::vector<Cut> Byte_By_Byte(const Bytes& bytes) {
  std::vector<Cut> frames;
  Bytes frame;
  bool escape = false;
  for (const std::uint8_t b : bytes) {
    const bool pair = escape && (b == kTfend || b == kTfesc);
    if (escape && !pair) frame.push_back(kFesc);  // an escape of nothing stays as it is
    escape = b == kFesc;
    if (b == kFend) {
      const auto kept = static_cast<long>(std::min<std::size_t>(frame.size(), kFrameCapacity));
      if (!frame.empty())
        frames.emplace_back(Bytes(frame.begin(), frame.begin() + kept), frame.size());
      frame.clear();
    } else if (pair) {
      frame.push_back(b == kTfend ? kFend : kFesc);
    } else if (!escape) {
      frame.push_back(b);
    }
  }
  return frames;
}

// Random bytes thick with FEND, FESC, TFEND and TFESC and the bytes right above FEND and FESC,
// in frames of every length up to past the 512 kept, cut into pieces of every size around a
// word and a block, and into batches that fill: the deframer's block-wide scan finds exactly
// the frames of a byte-by-byte reading.
TEST(Kiss, AgreesWithAByteByByteReading) {
  std::mt19937 random(17);
  const std::uint8_t kinds[] = {kFend, kFesc, kTfend, kTfesc, 0x00, 0x41, 0xC1, 0xDA};
  for (int round = 0; round < 40; ++round) {
    Bytes bytes;
    const std::size_t span = round % 4 == 0 ? 700 : round % 4 == 1 ? 2 : 24;
    for (int i = 0; i < 6000; ++i) {
      const bool special = random() % span == 0 || random() % 5 == 0;
      bytes.push_back(special ? kinds[random() % 4] : kinds[4 + random() % 4]);
      if (random() % span == 0) bytes.push_back(kFend);
    }
    const std::vector<Cut> expected = Byte_By_Byte(bytes);
    for (const std::size_t chunk : {1, 3, 7, 8, 9, 15, 64, 79, 80, 81, 200, 6000}) {
      // The same pieces into batches too, which fill and are emptied in the middle of a piece.
      std::vector<Cut> frames, batched;
      KissDeframer deframer, batching;
      FrameBatch batch;
      for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        auto piece = std::span(bytes).subspan(at, std::min(chunk, bytes.size() - at));
        deframer.Feed(piece, [&](auto stored, std::size_t length) {
          frames.emplace_back(Bytes(stored.begin(), stored.end()), length);
          return true;
        });
        while (!piece.empty()) {
          piece = piece.subspan(batching.Feed(piece, batch));
          for (std::size_t i = 0; i < batch.size(); ++i) {
            batched.emplace_back(Bytes(batch.Stored(i).begin(), batch.Stored(i).end()),
                                 batch.Full_Length(i));
          }
          batch.Clear();
        }
      }
      ASSERT_EQ(frames, expected) << "round " << round << ", pieces of " << chunk;
      ASSERT_EQ(batched, expected) << "round " << round << ", batches of pieces of " << chunk;
    }
  }
}

}  // namespace
}  // namespace orvelt

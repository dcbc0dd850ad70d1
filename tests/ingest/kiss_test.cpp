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

// Records every frame the deframer hands on, cutting the bytes into pieces of `chunk` bytes:
// decoded frames through the frame log, time labels through the label they set.
struct ReadResult {
  std::vector<std::string> hex;
  std::string time_label;
  int time_labels = 0;
  std::vector<std::size_t> too_long;  // full lengths of frames over 512 bytes
  std::uint64_t pending = 0;

  bool operator==(const ReadResult&) const = default;
};

ReadResult Read(const Bytes& bytes, std::string initial_label = "", std::size_t chunk = 1 << 20) {
  TelemetryState state;
  state.TimeLabel = std::move(initial_label);
  ReadResult r;
  KissDeframer deframer;
  for (std::size_t at = 0; at < bytes.size(); at += chunk) {
    const std::size_t n = std::min(chunk, bytes.size() - at);
    deframer.Feed(std::span(bytes).subspan(at, n), [&](auto stored, std::size_t length) {
      const TakenFrame taken = Take_Frame(state, stored, length);
      r.time_labels += taken.time_label;
      if (taken.outcome.problem == FrameProblem::FrameTooLong) r.too_long.push_back(length);
      return true;
    });
  }
  for (std::size_t i = 0; i < state.frame_log.size(); ++i) r.hex.push_back(state.frame_log.Line(i));
  r.time_label = state.TimeLabel;
  r.pending = deframer.Pending_Bytes();
  return r;
}

// Bytes may arrive in any pieces (a socket, a serial line, chunks of a file): every way of
// cutting them gives exactly the frames of the whole.
ReadResult Read_In_Every_Chunking(const Bytes& bytes, std::string initial_label = "") {
  const ReadResult whole = Read(bytes, initial_label);
  for (const std::size_t chunk : {1, 2, 3, 5, 64}) {
    EXPECT_EQ(Read(bytes, initial_label, chunk), whole) << "pieces of " << chunk << " bytes";
  }
  return whole;
}

TEST(Kiss, SplitsAtFendAndUnescapes) {
  struct Case {
    const char* what;
    Bytes file;
    std::vector<std::string> hex;
  };
  const Case cases[] = {
      {"one frame", {0xC0, 0x00, 0x01, 0x02, 0xC0}, {"00 01 02 "}},
      {"no FEND at all", {0x00, 0x01, 0x02}, {}},
      {"empty file", {}, {}},
      {"only FENDs", {0xC0, 0xC0, 0xC0}, {}},
      {"last piece without closing FEND waits", {0xC0, 0x00, 0x01, 0xC0, 0x00, 0x02}, {"00 01 "}},
      {"leading bytes before the first FEND are a frame", {0x00, 0x05, 0xC0}, {"00 05 "}},
      {"DB DC and DB DD", {0x00, 0xDB, 0xDC, 0xDB, 0xDD, 0xC0}, {"00 C0 DB "}},
      {"DB DD DC", {0x00, 0xDB, 0xDD, 0xDC, 0xC0}, {"00 DB DC "}},
      {"DB DB DC", {0x00, 0xDB, 0xDB, 0xDC, 0xC0}, {"00 DB C0 "}},
      {"DB 41 stays", {0x00, 0xDB, 0x41, 0xC0}, {"00 DB 41 "}},
      {"DB ending the piece stays", {0x00, 0xDB, 0xC0}, {"00 DB "}},
      {"port 1 frame still handed on", {0xC0, 0x10, 0x82, 0xC0}, {"10 82 "}},
      {"frames in file order",
       {0xC0, 0x00, 0x01, 0xC0, 0xC0, 0x00, 0x02, 0xC0},
       {"00 01 ", "00 02 "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ReadResult r = Read_In_Every_Chunking(c.file);
    EXPECT_EQ(r.hex, c.hex);
  }
}

TEST(Kiss, BytesAfterTheLastFendWaitForTheNext) {
  EXPECT_EQ(Read_In_Every_Chunking({0xC0, 0x00, 0x01, 0xC0, 0x00, 0xDB}).pending, 2u);
  EXPECT_EQ(Read_In_Every_Chunking({0xC0, 0x00, 0x01, 0xC0}).pending, 0u);
}

TEST(Kiss, EscapeRoundTripOverAllByteValues) {
  Bytes frame;
  for (int b = 0; b < 256; ++b) frame.push_back(static_cast<std::uint8_t>(b));
  frame[0] = 0x00;  // keep it an ordinary data frame
  Bytes file;
  Kiss_Encode(frame, file);
  const ReadResult r = Read_In_Every_Chunking(file);
  ASSERT_EQ(r.hex.size(), 1u);
  EXPECT_EQ(r.hex[0], Hex_Line(frame));
}

Bytes Label_Frame(const std::string& text) {
  return tools::Kiss_Frame(tools::Text_Time_Label_Frame(text));
}

Bytes Binary_Stamp(std::int64_t ms) {
  return tools::Kiss_Frame(tools::Binary_Time_Label_Frame(ms));
}

TEST(Kiss, TimeLabels) {
  struct Case {
    const char* what;
    Bytes file;
    std::string label;
  };
  const Case cases[] = {
      {"25 text bytes keep 19", Label_Frame("2026-11-28 09:14:01 UTC+0"), "2026-11-28 09:14:01"},
      {"5 text bytes", Label_Frame("12:00"), "12:00"},
      {"command byte alone", Label_Frame(""), ""},
      {"binary stamp", Binary_Stamp(1795857241123), "2026-11-28 09:14:01"},
      {"binary stamp at the epoch", Binary_Stamp(0), "1970-01-01 00:00:00"},
      {"last second before year 10000", Binary_Stamp(253402300799999), "9999-12-31 23:59:59"},
      {"year 10000 is read as text", Binary_Stamp(253402300800000),
       std::string("\0\0\xE6\x77\xD2\x1F\xDC\x00", 8)},
      {"8 bytes not starting with NUL are text", Label_Frame("09:14:01"), "09:14:01"},
      {"9 bytes starting with NUL are text", Label_Frame(std::string("\0abcdefgh", 9)),
       std::string("\0abcdefgh", 9)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ReadResult r = Read_In_Every_Chunking(c.file, "previous");
    EXPECT_EQ(r.time_label, c.label);
    EXPECT_TRUE(r.hex.empty());  // label frames get no hex line
    EXPECT_EQ(r.time_labels, 1);
  }
}

TEST(Kiss, FrameLimitIs512BytesAfterUnescaping) {
  // Escaped: every data byte written as a two-byte escape.
  for (const bool escaped : {false, true}) {
    for (const std::size_t raw_length : {512, 513, 40000}) {
      const bool taken = raw_length <= 512;
      Bytes file{kFend, 0x00};
      for (std::size_t i = 1; i < raw_length; ++i) {
        if (escaped) {
          file.insert(file.end(), {kFesc, kTfend});
        } else {
          file.push_back(0x41);
        }
      }
      file.insert(file.end(), {kFend, 0x00, 0x07, kFend});
      const ReadResult r = Read_In_Every_Chunking(file);
      ASSERT_EQ(r.hex.size(), taken ? 2u : 1u) << raw_length << " escaped " << escaped;
      EXPECT_EQ(r.hex.back(), "00 07 ");
      EXPECT_EQ(r.too_long, taken ? std::vector<std::size_t>{} : std::vector{raw_length});
    }
  }
}

struct Cut {
  Bytes stored;
  std::size_t length = 0;
  bool operator==(const Cut&) const = default;
};

// The reading the deframer must agree with, one byte at a time.
std::vector<Cut> Byte_By_Byte(const Bytes& bytes) {
  std::vector<Cut> frames;
  Bytes frame;
  std::size_t raw = 0;
  bool escape = false;
  for (const std::uint8_t b : bytes) {
    if (b == kFend) {
      if (escape) frame.push_back(kFesc);
      escape = false;
      if (raw > 0) {
        const std::size_t kept = std::min<std::size_t>(frame.size(), kFrameCapacity);
        frames.push_back(
            {Bytes(frame.begin(), frame.begin() + static_cast<long>(kept)), frame.size()});
      }
      frame.clear();
      raw = 0;
      continue;
    }
    ++raw;
    if (escape) {
      escape = false;
      if (b == kTfend || b == kTfesc) {
        frame.push_back(b == kTfend ? kFend : kFesc);
        continue;
      }
      frame.push_back(kFesc);
    }
    if (b == kFesc) {
      escape = true;
    } else {
      frame.push_back(b);
    }
  }
  return frames;
}

// Random bytes thick with FEND, FESC, TFEND and TFESC, in frames of every length up to past the
// 512 kept, cut into pieces of every size around a word: the deframer's word-wide scan finds
// exactly the frames of a byte-by-byte reading.
TEST(Kiss, AgreesWithAByteByByteReading) {
  std::mt19937 random(17);
  const std::uint8_t kinds[] = {kFend, kFesc, kTfend, kTfesc, 0x00, 0x41, 0xC1, 0xDA};
  for (int round = 0; round < 40; ++round) {
    Bytes bytes;
    const std::size_t span = round % 4 == 0 ? 700 : 24;
    for (int i = 0; i < 3000; ++i) {
      const bool special = random() % span == 0 || random() % 5 == 0;
      bytes.push_back(special ? kinds[random() % 4] : kinds[4 + random() % 4]);
      if (random() % span == 0) bytes.push_back(kFend);
    }
    const std::vector<Cut> expected = Byte_By_Byte(bytes);
    for (const std::size_t chunk : {1, 3, 7, 8, 9, 15, 64, 3000}) {
      std::vector<Cut> frames;
      KissDeframer deframer;
      for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        const std::size_t n = std::min(chunk, bytes.size() - at);
        deframer.Feed(std::span(bytes).subspan(at, n), [&](auto stored, std::size_t length) {
          frames.push_back({Bytes(stored.begin(), stored.end()), length});
          return true;
        });
      }
      ASSERT_EQ(frames, expected) << "round " << round << ", pieces of " << chunk;
    }
  }
}

}  // namespace
}  // namespace orvelt

#include "decode/frame_decoder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "decode/time_label.hpp"

namespace orvelt {
namespace {

using Bytes = std::vector<std::uint8_t>;

class DecoderTest : public ::testing::Test {
 protected:
  FrameOutcome Decode(const Bytes& frame) {
    std::copy(frame.begin(), frame.end(), state.FrameBytes.begin());
    state.FrameLength = static_cast<int>(frame.size());
    return Decode_Frame(state);
  }

  static Bytes Sensor(std::uint8_t type, std::uint8_t selector, Bytes data) {
    Bytes f{0x00, 0xC0, 0x80, 0x11, 0x22, 0x02, type, selector, 0x00};
    f.insert(f.end(), data.begin(), data.end());
    return f;
  }

  static Bytes Counter(std::uint8_t type, Bytes value) {
    Bytes f{0x00, 0x01, type};
    f.insert(f.end(), value.begin(), value.end());
    return f;
  }

  TelemetryState state;
};

// Each record fills exactly its channels, once, with the calibrated value to the last bit; a bad
// record says what is wrong with it and keeps only what is sound.
TEST_F(DecoderTest, EachRecordFillsItsChannelsWithExactDoubles) {
  using enum FrameProblem;
  struct Case {
    Bytes frame;
    std::vector<int> channels;
    std::vector<double> values;  // of the first channels, where pinned
    FrameProblem problem = None;
  };
  const Case cases[] = {
      {Counter(0xE0, {0x00, 0x00, 0x01, 0x2C}), {46}, {300.0}},
      {Counter(0xE1, {0x7F, 0xFF, 0xFF, 0xFF}), {47}, {2147483647.0}},
      {Counter(0xE3, {0, 0, 0, 1}), {49}, {}},
      {Counter(0xE4, {0x00, 0x01, 0x00, 0x00}), {50}, {65536.0}},
      {Counter(0xE5, {0, 0, 0, 1}), {}, {}},
      {Sensor(0x2C, 3, {0x10, 0x00}), {3}, {9.5976}},
      {Sensor(0x2C, 3, {0xFF, 0xFF}), {3}, {9.758249999999999}},
      {Sensor(0x2C, 4, {1, 0}), {}, {}},
      {Sensor(0x2D, 13, {1, 0}), {21}, {}},
      {{0x00, 0xC0, 0x80}, {}, {}},  // never decoded from the bytes the frame before left behind
      {Sensor(0x66, 0x81, {1, 0x01, 0x00, 0x00, 0x50}), {28, 38}, {64.927719, 4.709505711421}},
      // 0xA4 adds its voltage offset where the others subtract it: 0.532941 * 100 - 3.152331
      // and (0.2592693 * 1000 + 0.3656067) / 1000.
      {Sensor(0x66, 0xA4, {1, 0x00, 0x64, 0xE8, 0x03}), {35, 45}, {50.141769, 0.2596349067}},
      {Sensor(0x66, 0x82, {1, 0, 1, 0, 1}), {}, {}},
      // current 0x3468 marks an ignored record
      {Sensor(0x66, 0x9F, {1, 0x34, 0x68, 0, 0}), {}, {}},
      {Sensor(0x89, 3, {0xFF, 0xFF, 0xFF, 0x9C, 0, 0, 1, 0}), {51, 52}, {-0.000001, 0.00000256}},
      {Sensor(0x89, 5, {0x80, 0x00, 0x00, 0x00}), {53}, {-21.47483648}},
      {Sensor(0x89, 4, {0, 0, 0, 1, 0, 0, 0, 2}), {}, {}},
      {Sensor(0x77, 3, {0, 0, 0, 1}), {}, {}},
      {{0x10, 0x82, 0xA0}, {}, {}},                               // a frame of another station
      {Counter(0xE5, {0x80, 0, 0, 0}), {}, {}, ValueOutOfRange},  // even of an unknown type
      {Sensor(0x66, 0x81, {1, 0x80, 0, 0, 0}), {}, {}, ValueOutOfRange},
      {Sensor(0x66, 0x86, {17, 0, 1, 0, 1}), {29, 39}, {}, StatusCodeOutOfRange},  // values kept
      {{0x00, 0xC0, 0x80, 0, 0, 0xC0, 'a', 'b'}, {}, {}, MessageTooShort},
      {{0x00, 0x01, 0xE1, 0, 0, 1}, {}, {}, RecordTooShort},
      {{0x00, 0xC0, 0x80, 0, 0, 0x02, 0x2C}, {}, {}, RecordTooShort},
      {{0x00, 0xC0, 0x80, 0, 0, 0x02, 0x2C, 3, 0, 0x10}, {}, {}, RecordTooShort},
      {Sensor(0x66, 0x81, {1, 0, 1, 0}), {}, {}, RecordTooShort},
      {Sensor(0x89, 3, {0, 0, 0, 1, 0, 0, 0}), {}, {}, RecordTooShort},
      {Sensor(0x89, 5, {0, 0, 0}), {}, {}, RecordTooShort},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    state.Start_Afresh();
    EXPECT_EQ(Decode(c.frame).problem, c.problem);
    std::vector<int> filled;  // each channel once for every sample it holds
    for (int ch = 0; ch < kChannelCount; ++ch)
      filled.insert(filled.end(), static_cast<std::size_t>(state.store.Count(ch)), ch);
    EXPECT_EQ(filled, c.channels);
    EXPECT_EQ(state.frames_decoded, c.problem == None ? 1 : 0);
    if (c.problem != None) {
      EXPECT_EQ(state.switch_status, TelemetryState::Unknown_Switch_Status());
    }
    for (std::size_t k = 0; k < c.values.size(); ++k)
      EXPECT_EQ(state.store.Value(c.channels[k], 1), c.values[k]) << c.channels[k];
  }
}

TEST_F(DecoderTest, SwitchStatusGoesToTheSwitchsSlot) {
  EXPECT_EQ(Decode(Sensor(0x66, 0x81, {5, 0, 1, 0, 1})).problem, FrameProblem::None);
  EXPECT_EQ(Decode(Sensor(0x66, 0xA4, {16, 0, 1, 0, 1})).problem, FrameProblem::None);
  auto expected = TelemetryState::Unknown_Switch_Status();  // other slots stay unwritten
  expected[0] = 5;
  expected[7] = 16;
  EXPECT_EQ(state.switch_status, expected);
}

TEST_F(DecoderTest, MessagesCarryTheCurrentTimeLabel) {
  state.TimeLabel = "2026-11-28 09:14:01";
  // Bytes 6..8 are text; the last three bytes of the frame are not.
  Decode({0x00, 0xC0, 0x80, 0x00, 0x00, 0xC0, 'H', 'i', 0xE9, 1, 2, 3});
  Decode({0x00, 0xC0, 0x80, 0x00, 0x00, 0xC0, 1, 2, 3});
  ASSERT_EQ(state.messages.size(), 2u);
  EXPECT_EQ(state.messages[0], "2026-11-28 09:14:01: Hi\u00e9");
  EXPECT_EQ(state.messages[1], "2026-11-28 09:14:01: ");
}

// A label is a time only when it is a real one: the archive and forwarding file an untimed
// frame apart instead of at a made-up time.
TEST_F(DecoderTest, TimeLabelsReadAsTimesOnlyWhenTheyAreRealTimes) {
  const std::int64_t day = 1795824000;  // 2026-11-28 00:00:00
  struct Case {
    const char* label;
    std::optional<std::int64_t> seconds;
  };
  const Case cases[] = {
      {"2026-11-28 00:00:00", day},          {"2026-11-28 23:59:59", day + 86399},
      {"2026-11-28 24:00:00", std::nullopt}, {"2026-11-28 23:60:00", std::nullopt},
      {"2026-11-28 23:59:60", std::nullopt}, {"2026-02-29 12:00:00", std::nullopt},
      {"2026-11-28T09:14:00", std::nullopt}, {"2026-11-28 09:14", std::nullopt},
  };
  for (const auto& [label, seconds] : cases) {
    EXPECT_EQ(Parse_Time_Label(label), seconds) << label;
    if (seconds) {
      EXPECT_EQ(Format_Time_Label(*seconds), label);
    }
  }
}

TEST_F(DecoderTest, FullChannelStopsAndNamesIt) {
  for (int i = 0; i < kSeriesCapacity; ++i) state.store.Append_Sample(38, 1.0, "");
  const FrameOutcome r = Decode(Sensor(0x66, 0x81, {1, 0, 1, 0, 1}));
  EXPECT_EQ(r.problem, FrameProblem::StoreFull);
  EXPECT_EQ(r.full_channel, 38);
  EXPECT_EQ(state.store.Count(28), 1);  // the current was appended before the voltage
}

}  // namespace
}  // namespace orvelt

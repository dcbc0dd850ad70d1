#include "decode/frame_decoder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "decode/raw_values.hpp"

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

  static Bytes Switchboard(std::uint8_t selector, std::uint8_t status, std::uint8_t b10,
                           std::uint8_t b11, std::uint8_t b12, std::uint8_t b13) {
    return Sensor(0x66, selector, {status, b10, b11, b12, b13});
  }

  // Each channel once for every sample it holds, in channel order.
  std::vector<int> Filled() const {
    std::vector<int> channels;
    for (int ch = 0; ch < kChannelCount; ++ch)
      channels.insert(channels.end(), static_cast<std::size_t>(state.store.Count(ch)), ch);
    return channels;
  }

  // Text of the status of switch slot k, as its box would show it; "unwritten" before any.
  std::string Status(int slot) const {
    const int code = state.switch_status[static_cast<std::size_t>(slot)];
    return code < 0 ? "unwritten" : state.SwitchStatusText[static_cast<std::size_t>(code)];
  }

  TelemetryState state;
};

TEST_F(DecoderTest, CalibrationsGiveExactDoubles) {
  struct Case {
    Bytes frame;
    int channel;
    double value;
  };
  const Case cases[] = {
      {Counter(0xE0, {0x00, 0x00, 0x01, 0x2C}), 46, 300.0},
      {Counter(0xE1, {0x7F, 0xFF, 0xFF, 0xFF}), 47, 2147483647.0},
      {Counter(0xE4, {0x00, 0x01, 0x00, 0x00}), 50, 65536.0},
      {Sensor(0x2C, 3, {0x10, 0x00}), 3, 9.5976},
      {Sensor(0x2C, 3, {0xFF, 0xFF}), 3, 9.758249999999999},
      {Switchboard(0x81, 1, 0x01, 0x00, 0x00, 0x50), 28, 64.927719},
      {Switchboard(0x81, 1, 0x01, 0x00, 0x00, 0x50), 38, 4.709505711421},
      {Sensor(0x89, 3, {0xFF, 0xFF, 0xFF, 0x9C, 0, 0, 0, 0}), 51, -0.000001},
      {Sensor(0x89, 3, {0, 0, 0, 0, 0x00, 0x00, 0x01, 0x00}), 52, 0.00000256},
      {Sensor(0x89, 5, {0x80, 0x00, 0x00, 0x00}), 53, -21.47483648},
  };
  for (const auto& c : cases) {
    state.store.Reset_Store();
    EXPECT_EQ(Decode(c.frame).problem, FrameProblem::None);
    ASSERT_GE(state.store.Count(c.channel), 1) << c.channel;
    EXPECT_EQ(state.store.Value(c.channel, 1), c.value) << "channel " << c.channel;
  }
}

TEST_F(DecoderTest, EachRecordFillsOnlyItsChannels) {
  struct Case {
    Bytes frame;
    std::vector<int> channels;
  };
  const Case cases[] = {
      {Counter(0xE5, {0, 0, 0, 1}), {}},
      {Counter(0xE3, {0, 0, 0, 1}), {49}},
      {Sensor(0x2C, 4, {1, 0}), {}},
      {Sensor(0x2D, 13, {1, 0}), {21}},
      {Sensor(0x66, 0x81, {1, 0, 1, 0, 1}), {28, 38}},
      {Sensor(0x66, 0x82, {1, 0, 1, 0, 1}), {}},
      {Switchboard(0x9F, 1, 0x34, 0x68, 0, 0), {}},  // current 0x3468 marks an ignored record
      {Sensor(0x89, 3, {0, 0, 0, 1, 0, 0, 0, 2}), {51, 52}},
      {Sensor(0x89, 5, {0, 0, 0, 1}), {53}},
      {Sensor(0x89, 4, {0, 0, 0, 1, 0, 0, 0, 2}), {}},
      {Sensor(0x77, 3, {0, 0, 0, 1}), {}},
      {{0x10, 0x82, 0xA0}, {}},  // a frame of another station
  };
  for (const auto& c : cases) {
    state.store.Reset_Store();
    EXPECT_EQ(Decode(c.frame).problem, FrameProblem::None);
    EXPECT_EQ(Filled(), c.channels);
    EXPECT_EQ(state.frames_decoded, 1);
    state.frames_decoded = 0;
  }
}

TEST_F(DecoderTest, SamplesCarryTheCurrentTimeLabel) {
  Decode(Sensor(0x2C, 3, {0x10, 0x00}));
  state.TimeLabel = "2026-11-28 09:14:01";
  Decode(Sensor(0x2C, 3, {0x10, 0x00}));
  EXPECT_EQ(state.store.Label(3, 1), "");
  EXPECT_EQ(state.store.Label(3, 2), "2026-11-28 09:14:01");
}

TEST_F(DecoderTest, SwitchStatusGoesToTheSwitchsBox) {
  EXPECT_EQ(Decode(Switchboard(0x81, 5, 0, 1, 0, 1)).problem, FrameProblem::None);
  EXPECT_EQ(Status(0), "SWITCH IS ON BUT IS IN OVERCURRENT CONDITION");
  EXPECT_EQ(Decode(Switchboard(0xA4, 16, 0, 1, 0, 1)).problem, FrameProblem::None);
  EXPECT_EQ(Status(7), "SWITCH IS OFF DUE TO UNKNOWN REASON");
  // Codes without a text clear the box.
  EXPECT_EQ(Decode(Switchboard(0x81, 3, 0, 1, 0, 1)).problem, FrameProblem::None);
  EXPECT_EQ(Status(0), "");
  EXPECT_EQ(Status(1), "unwritten");
}

TEST_F(DecoderTest, MessageLinesCarryLabelAndText) {
  state.TimeLabel = "2026-11-28 09:14:01";
  // Bytes 6..8 are text; the last three bytes of the frame are not.
  Decode({0x00, 0xC0, 0x80, 0x00, 0x00, 0xC0, 'H', 'i', 0xE9, 1, 2, 3});
  Decode({0x00, 0xC0, 0x80, 0x00, 0x00, 0xC0, 1, 2, 3});
  ASSERT_EQ(state.messages.size(), 2u);
  EXPECT_EQ(state.messages[0], "2026-11-28 09:14:01: Hi\u00e9");
  EXPECT_EQ(state.messages[1], "2026-11-28 09:14:01: ");
  EXPECT_EQ(state.store.Count(3), 0);
}

TEST_F(DecoderTest, BadFramesAreReportedAndKeepWhatIsSound) {
  struct Case {
    const char* what;
    Bytes frame;
    FrameProblem problem;
    std::vector<int> appended;
  };
  const Case cases[] = {
      {"counter top bit, even of an unknown type",
       Counter(0xE5, {0x80, 0, 0, 0}),
       FrameProblem::ValueOutOfRange,
       {}},
      {"switch current top bit",
       Switchboard(0x81, 1, 0x80, 0, 0, 0),
       FrameProblem::ValueOutOfRange,
       {}},
      {"status code 17 keeps the values",
       Switchboard(0x86, 17, 0, 1, 0, 1),
       FrameProblem::StatusCodeOutOfRange,
       {29, 39}},
      {"message of 8 bytes",
       {0x00, 0xC0, 0x80, 0, 0, 0xC0, 'a', 'b'},
       FrameProblem::MessageTooShort,
       {}},
      {"counter of 6 bytes", {0x00, 0x01, 0xE1, 0, 0, 1}, FrameProblem::RecordTooShort, {}},
      {"sensor of 7 bytes", {0x00, 0xC0, 0x80, 0, 0, 0x02, 0x2C}, FrameProblem::RecordTooShort, {}},
      {"battery of 10 bytes",
       {0x00, 0xC0, 0x80, 0, 0, 0x02, 0x2C, 3, 0, 0x10},
       FrameProblem::RecordTooShort,
       {}},
      {"switch of 13 bytes", Sensor(0x66, 0x81, {1, 0, 1, 0}), FrameProblem::RecordTooShort, {}},
      {"magnetometer X/Y of 16 bytes",
       Sensor(0x89, 3, {0, 0, 0, 1, 0, 0, 0}),
       FrameProblem::RecordTooShort,
       {}},
      {"magnetometer Z of 12 bytes", Sensor(0x89, 5, {0, 0, 0}), FrameProblem::RecordTooShort, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    state.store.Reset_Store();
    state.switch_status[1] = 0;
    state.frames_decoded = 0;
    EXPECT_EQ(Decode(c.frame).problem, c.problem);
    EXPECT_EQ(Filled(), c.appended);
    EXPECT_EQ(Status(1), "OFF");
    EXPECT_EQ(state.frames_decoded, 0);
  }
}

TEST_F(DecoderTest, ShortFrameNeverReadsBytesOfAnEarlierFrame) {
  // A long frame leaves its bytes in the buffer; a 3-byte frame must not be decoded from them.
  Decode(Sensor(0x2C, 3, {0x10, 0x00}));
  const FrameOutcome r = Decode({0x00, 0xC0, 0x80});
  EXPECT_EQ(r.problem, FrameProblem::None);
  EXPECT_EQ(state.store.Count(3), 1);
}

TEST_F(DecoderTest, FullChannelStopsAndNamesIt) {
  for (int i = 0; i < kSeriesCapacity; ++i) state.store.Append_Sample(38, 1.0, "");
  const FrameOutcome r = Decode(Switchboard(0x81, 1, 0, 1, 0, 1));
  EXPECT_EQ(r.problem, FrameProblem::StoreFull);
  EXPECT_EQ(r.full_channel, 38);
  EXPECT_EQ(state.store.Count(28), 1);  // the current was appended before the voltage
  EXPECT_EQ(state.store.Count(38), kSeriesCapacity);
}

// The words the decoder reads give what the routine over the same bytes gives, sign included.
TEST(RawValues, WordsReadAsTheRoutineReadsThem) {
  for (unsigned w = 0; w < 0x10000; ++w) {
    const std::array<std::uint8_t, 3> le{0, static_cast<std::uint8_t>(w),
                                         static_cast<std::uint8_t>(w >> 8)};
    std::int32_t last = 2;
    ASSERT_EQ(Read_Int16_LE(le, 1), Bytes_To_Value(le, 1, last, false)) << w;
  }
  for (const std::uint32_t w : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFF9Cu, 0x12C0DB34u}) {
    const std::array<std::uint8_t, 4> be{
        static_cast<std::uint8_t>(w >> 24), static_cast<std::uint8_t>(w >> 16),
        static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w)};
    const std::array<std::uint8_t, 5> le{0, be[3], be[2], be[1], be[0]};
    std::int32_t last = 4;
    EXPECT_EQ(Read_Int32_BE(be, 0), Bytes_To_Value(le, 1, last, false)) << w;
  }
}

}  // namespace
}  // namespace orvelt

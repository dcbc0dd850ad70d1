#include "decode/frame_decoder.hpp"

#include <cstdint>
#include <optional>
#include <string>

#include "decode/latin1.hpp"
#include "decode/raw_values.hpp"

namespace orvelt {

namespace {

struct Calibration {
  int selector;
  int channel;
  double slope;
  double offset;
};

constexpr Calibration kBatteries[] = {
    {3, 3, -0.00945, 9.7488},
    {8, 8, -0.00946, 9.7526},
};

constexpr Calibration kArrays[] = {
    {1, 10, -0.542490348, 528.0441026}, {4, 13, -0.537846059, 523.1519466},
    {7, 16, -0.541228423, 526.8412823}, {10, 19, -0.52264946, 508.5204547},
    {13, 21, -0.518702129, 512.807352}, {31, 27, -0.52947555, 515.5141451},
};

struct Switch {
  int selector;
  int current_channel;
  double ci;
  double cb;
  int voltage_channel;
  double vi;
  double vb;  // subtracted, except for the reaction wheels where it is added
  int status_box;
};

constexpr int kReactionWheels = 0xA4;
constexpr double kReactionWheelsVoltageOffset = 0.3656067;

constexpr Switch kSwitches[] = {
    {0x81, 28, 0.259549, 1.516825, 38, 0.2300107, 1.113424579, 58},
    {0x86, 29, 0.258359, 1.554162, 39, 0.2315349, 1.136056829, 59},
    {0x8B, 30, 0.258359, 1.595903, 40, 0.23315, 1.187043977, 60},
    {0x90, 31, 0.518526, 8.756971, 41, 0.3667785, 7.266803691, 61},
    {0x95, 32, 0.534516, 3.25046, 42, 0.2603641, 0.504061, 62},
    {0x9A, 33, 0.528245, 2.974109, 43, 0.2233264, 0.930303516, 63},
    {0x9F, 34, 0.260476, 0.91132, 44, 0.2254974, 0.993915009, 64},
    {kReactionWheels, 35, 0.532941, 3.152331, 45, 0.2592693, kReactionWheelsVoltageOffset, 65},
};

constexpr int kCounterFirstType = 0xE0;
constexpr int kCounterChannel[] = {46, 47, 48, 49, 50};
constexpr int kIgnoredSwitchCurrent = 0x3468;
constexpr double kMagnetometerScale = 100000000;

// Bytes a frame must hold, counting from byte 0, for each part to be read.
constexpr int kCounterBytes = 7;
constexpr int kMessageMinBytes = 9;
constexpr int kSensorHeaderBytes = 8;
constexpr int kWordRecordBytes = 11;
constexpr int kSwitchRecordBytes = 14;
constexpr int kMagnetometerXYBytes = 17;
constexpr int kMagnetometerZBytes = 13;

template <typename Table>
const auto* Find_Selector(const Table& table, int selector) {
  for (const auto& entry : table) {
    if (entry.selector == selector) return &entry;
  }
  return static_cast<decltype(&table[0])>(nullptr);
}

class FrameDecoder {
 public:
  FrameDecoder(TelemetryState& state, FormModel& form)
      : state_(state), form_(form), frame_(state.Frame()) {}

  DecodeResult Run() {
    DecodeResult result = Decode();
    if (result.problem == FrameProblem::None) {
      form_.Label8 = std::to_string(form_.List2.size());
    }
    return result;
  }

 private:
  int Length() const { return static_cast<int>(frame_.size()); }
  // A test on a byte beyond the frame fails: the frame is not of that kind.
  bool Byte_Is(int p, int value) const { return p < Length() && frame_[std::size_t(p)] == value; }
  int Byte(int p) const { return frame_[static_cast<std::size_t>(p)]; }

  // Appends and notes the first channel that was full.
  bool Append(int channel, double value) {
    if (state_.store.Append_Sample(channel, value, state_.TimeLabel)) return true;
    full_channel_ = channel;
    return false;
  }

  DecodeResult Store_Full() const { return {FrameProblem::StoreFull, full_channel_}; }

  DecodeResult Decode() {
    if (Byte_Is(1, 0x01)) return Counter();
    if (Byte_Is(1, 0xC0) && Byte_Is(2, 0x80) && Byte_Is(5, 0xC0)) return Message();
    if (Byte_Is(1, 0xC0) && Byte_Is(2, 0x80) && Byte_Is(5, 0x02)) return Sensor();
    return {};
  }

  DecodeResult Counter() {
    if (Length() < kCounterBytes) return {FrameProblem::RecordTooShort};
    if (Byte(3) >= 0x80) return {FrameProblem::ValueOutOfRange};
    const std::int32_t value = Byte(3) * 16777216 + Byte(4) * 65536 + Byte(5) * 256 + Byte(6);
    const int type = Byte(2) - kCounterFirstType;
    if (type >= 0 && type < static_cast<int>(std::size(kCounterChannel))) {
      if (!Append(kCounterChannel[type], static_cast<double>(value))) return Store_Full();
    }
    return {};
  }

  DecodeResult Message() {
    if (Length() < kMessageMinBytes) return {FrameProblem::MessageTooShort};
    // The last three bytes of a message frame are not text.
    const auto text = frame_.subspan(6, frame_.size() - 9);
    std::string line = Latin1_To_Utf8(state_.TimeLabel);
    line += ": ";
    Append_Latin1_As_Utf8(line, {reinterpret_cast<const char*>(text.data()), text.size()});
    form_.List1.push_back(std::move(line));
    return {};
  }

  DecodeResult Sensor() {
    if (Length() < kSensorHeaderBytes) return {FrameProblem::RecordTooShort};
    switch (Byte(6)) {
      case 0x2C:
        return Word_Record(kBatteries);
      case 0x2D:
        return Word_Record(kArrays);
      case 0x66:
        return Switchboard();
      case 0x89:
        return Magnetometer();
      default:
        return {};
    }
  }

  template <typename Table>
  DecodeResult Word_Record(const Table& table) {
    if (Length() < kWordRecordBytes) return {FrameProblem::RecordTooShort};
    const double raw = Read_Int16_LE(frame_, 9);
    const Calibration* cal = Find_Selector(table, Byte(7));
    if (cal && !Append(cal->channel, cal->slope * raw + cal->offset)) return Store_Full();
    return {};
  }

  DecodeResult Switchboard() {
    if (Length() < kSwitchRecordBytes) return {FrameProblem::RecordTooShort};
    // Both words are checked before the selector or the ignore marker are looked at.
    if (Byte(10) >= 0x80 || Byte(13) >= 0x80) return {FrameProblem::ValueOutOfRange};
    const int current_word = Byte(10) * 256 + Byte(11);
    const int voltage_word = Byte(13) * 256 + Byte(12);
    if (current_word == kIgnoredSwitchCurrent) return {};
    const Switch* sw = Find_Selector(kSwitches, Byte(7));
    if (!sw) return {};
    const double current = sw->ci * current_word - sw->cb;
    const double voltage = sw->selector == kReactionWheels
                               ? (sw->vi * voltage_word + sw->vb) / 1000
                               : (sw->vi * voltage_word - sw->vb) / 1000;
    if (!Append(sw->current_channel, current)) return Store_Full();
    if (!Append(sw->voltage_channel, voltage)) return Store_Full();
    const int status = Byte(9);
    if (status >= kSwitchStatusCount) return {FrameProblem::StatusCodeOutOfRange};
    ValueBox& box = form_.Text1[static_cast<std::size_t>(sw->status_box)];
    box.text = state_.SwitchStatusText[static_cast<std::size_t>(status)];
    box.written = true;
    return {};
  }

  DecodeResult Magnetometer() {
    const int selector = Byte(7);
    if (selector == 3) {
      if (Length() < kMagnetometerXYBytes) return {FrameProblem::RecordTooShort};
      if (!Append(51, Read_Int32_BE(frame_, 9) / kMagnetometerScale)) return Store_Full();
      if (!Append(52, Read_Int32_BE(frame_, 13) / kMagnetometerScale)) return Store_Full();
    } else if (selector == 5) {
      if (Length() < kMagnetometerZBytes) return {FrameProblem::RecordTooShort};
      if (!Append(53, Read_Int32_BE(frame_, 9) / kMagnetometerScale)) return Store_Full();
    }
    return {};
  }

  TelemetryState& state_;
  FormModel& form_;
  std::span<const std::uint8_t> frame_;
  int full_channel_ = -1;
};

}  // namespace

const char* Problem_Text(FrameProblem problem) {
  switch (problem) {
    case FrameProblem::None:
      return "no problem";
    case FrameProblem::FrameTooLong:
      return "frame longer than 512 bytes";
    case FrameProblem::ValueOutOfRange:
      return "value out of range";
    case FrameProblem::StatusCodeOutOfRange:
      return "switch status code out of range";
    case FrameProblem::MessageTooShort:
      return "message frame too short";
    case FrameProblem::RecordTooShort:
      return "record too short";
    case FrameProblem::StoreFull:
      return "store full";
  }
  return "unknown problem";
}

SwitchStatusTable Default_Switch_Status_Text() {
  SwitchStatusTable table{};
  table[0] = "OFF";
  table[1] = "ON";
  table[2] = "OFF(OVERCURRENT)";
  table[5] = "SWITCH IS ON BUT IS IN OVERCURRENT CONDITION";
  table[8] = "SWITCH IS OFF DUE TO MAX TIME TIMEOUT";
  table[16] = "SWITCH IS OFF DUE TO UNKNOWN REASON";
  return table;
}

DecodeResult Decode_Frame(TelemetryState& state, FormModel& form) {
  return FrameDecoder(state, form).Run();
}

}  // namespace orvelt

#include "decode/frame_decoder.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <type_traits>

#include "decode/latin1.hpp"
#include "decode/raw_values.hpp"
#include "decode/short_copy.hpp"
#include "decode/time_label.hpp"

namespace orvelt {

namespace {

constexpr int kBinaryStampBytes = 8;

// What a load needs to know of a frame nobody follows: what the frame log keeps of it, and which
// channel was full. Small enough to live in registers while a frame is decoded, so that what
// the frame log keeps of it is not read back from memory just written.
struct BatchFrameOutcome {
  FrameKind kind = FrameKind::Other;
  std::uint8_t type = 0;
  std::uint8_t selector = 0;
  FrameProblem problem = FrameProblem::None;
  int full_channel = -1;
};

// Writes what became of the frame into an `Out`: a FrameOutcome, with the values it appended,
// or a BatchFrameOutcome. The values are stamped with the store's label entry `label_entry`,
// from Label_Entry.
template <typename Out>
class FrameDecoder {
 public:
  FrameDecoder(TelemetryState& state, std::span<const std::uint8_t> frame, Out& out,
               std::uint32_t label_entry)
      : state_(state), frame_(frame), out_(out), label_entry_(label_entry) {}

  void Run() {
    Decode();
    if (out_.problem == FrameProblem::None) ++state_.frames_decoded;
  }

 private:
  int Length() const { return static_cast<int>(frame_.size()); }
  int Byte(int p) const { return frame_[static_cast<std::size_t>(p)]; }

  void Fail(FrameProblem problem) { out_.problem = problem; }

  // Appends, notes the value, and notes the channel when it was full.
  bool Append(int channel, double value) {
    if (!state_.store.Append_Sample_As(channel, value, label_entry_)) {
      out_.problem = FrameProblem::StoreFull;
      out_.full_channel = channel;
      return false;
    }
    if constexpr (std::is_same_v<Out, FrameOutcome>) {
      out_.values[static_cast<std::size_t>(out_.value_count++)] = {channel, value};
    }
    return true;
  }

  void Decode() {
    switch (Frame_Kind_Of(frame_)) {
      case FrameKind::Counter:
        return Counter();
      case FrameKind::Sensor:
        return Sensor();
      case FrameKind::Message:
        return Message();
      case FrameKind::Other:
        return;
    }
  }

  void Counter() {
    out_.kind = FrameKind::Counter;
    if (Length() < kCounterBytes) return Fail(FrameProblem::RecordTooShort);
    out_.type = static_cast<std::uint8_t>(Byte(2));
    if (Byte(3) >= 0x80) return Fail(FrameProblem::ValueOutOfRange);
    const std::int32_t value = Byte(3) * 16777216 + Byte(4) * 65536 + Byte(5) * 256 + Byte(6);
    const int type = Byte(2) - kFirstCounterType;
    if (type >= 0 && type < static_cast<int>(kCounterChannels.size())) {
      Append(kCounterChannels[static_cast<std::size_t>(type)], static_cast<double>(value));
    }
  }

  void Message() {
    out_.kind = FrameKind::Message;
    if (Length() < kMessageMinBytes) return Fail(FrameProblem::MessageTooShort);
    const auto text =
        frame_.subspan(kMessageTextStart, frame_.size() - kMessageTextStart - kMessageTrailerBytes);
    std::string line = Latin1_To_Utf8(state_.TimeLabel);
    line += ": ";
    Append_Latin1_As_Utf8(line, {reinterpret_cast<const char*>(text.data()), text.size()});
    state_.messages.Append(std::move(line));
  }

  void Sensor() {
    out_.kind = FrameKind::Sensor;
    if (Length() < kSensorHeaderBytes) return Fail(FrameProblem::RecordTooShort);
    out_.type = static_cast<std::uint8_t>(Byte(6));
    out_.selector = static_cast<std::uint8_t>(Byte(7));
    switch (Byte(6)) {
      case kBatteryRecord:
        return Word_Record<kBatteryCalibrations>();
      case kSolarRecord:
        return Word_Record<kSolarCalibrations>();
      case kSwitchboardRecord:
        return Switchboard();
      case kMagnetometerRecord:
        return Magnetometer();
      default:
        return;
    }
  }

  template <const auto& kTable>
  void Word_Record() {
    if (Length() < kWordRecordBytes) return Fail(FrameProblem::RecordTooShort);
    const double raw = Read_Int16_LE(frame_, 9);
    if (const auto cal = Find_Calibration<kTable>(static_cast<std::uint8_t>(Byte(7)))) {
      Append(cal->channel, cal->slope * raw + cal->offset);
    }
  }

  void Switchboard() {
    if (Length() < kSwitchRecordBytes) return Fail(FrameProblem::RecordTooShort);
    // Both words are checked before the selector or the ignore marker are looked at.
    if (Byte(10) >= 0x80 || Byte(13) >= 0x80) return Fail(FrameProblem::ValueOutOfRange);
    const int current_word = Byte(10) * 256 + Byte(11);
    const int voltage_word = Byte(13) * 256 + Byte(12);
    if (current_word == kIgnoredSwitchCurrent) return;
    const auto sw = Find_Calibration<kSwitchCalibrations>(static_cast<std::uint8_t>(Byte(7)));
    if (!sw) return;
    const double current = sw->ci * current_word - sw->cb;
    const double voltage = sw->offset_added ? (sw->vi * voltage_word + sw->vb) / 1000
                                            : (sw->vi * voltage_word - sw->vb) / 1000;
    if (!Append(sw->current_channel, current)) return;
    if (!Append(sw->voltage_channel, voltage)) return;
    const int status = Byte(9);
    if (status >= kSwitchStatusCount) return Fail(FrameProblem::StatusCodeOutOfRange);
    state_.switch_status[static_cast<std::size_t>(sw->status_slot)] = status;
    ++state_.switch_revision;
  }

  void Magnetometer() {
    const int selector = Byte(7);
    if (selector == kMagnetometerXYSelector) {
      if (Length() < kMagnetometerXYBytes) return Fail(FrameProblem::RecordTooShort);
      if (!Append(kMagnetometerXChannel, Read_Int32_BE(frame_, 9) / kMagnetometerScale)) return;
      Append(kMagnetometerYChannel, Read_Int32_BE(frame_, 13) / kMagnetometerScale);
    } else if (selector == kMagnetometerZSelector) {
      if (Length() < kMagnetometerZBytes) return Fail(FrameProblem::RecordTooShort);
      Append(kMagnetometerZChannel, Read_Int32_BE(frame_, 9) / kMagnetometerScale);
    }
  }

  TelemetryState& state_;
  std::span<const std::uint8_t> frame_;
  Out& out_;
  std::uint32_t label_entry_;
};

bool Is_Binary_Stamp(std::span<const std::uint8_t> frame) {
  // A text label never holds a NUL, so a leading 0 byte marks the binary form.
  return frame.size() == 1 + kBinaryStampBytes && frame[1] == 0;
}

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
    case FrameProblem::IncompleteLastFrame:
      return "incomplete last frame (no FEND after it)";
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

FrameOutcome Decode_Frame(TelemetryState& state) {
  FrameOutcome out;
  FrameDecoder(state, state.Frame(), out, state.store.Label_Entry(state.TimeLabel)).Run();
  return out;
}

namespace {

// Sets TimeLabel from a time-label frame: its text, cut to 19 characters, or, for a binary
// stamp of milliseconds since 1970 (UTC), "YYYY-MM-DD HH:MM:SS". Returns the label's characters
// where they can be read at once: in the frame for a text label. The copy in TimeLabel was
// written a moment ago, in pieces that a read of its words would have to wait for.
std::string_view Take_Time_Label(TelemetryState& state, std::span<const std::uint8_t> frame) {
  if (Is_Binary_Stamp(frame)) {
    std::uint64_t ms = 0;
    for (int i = 1; i <= kBinaryStampBytes; ++i) ms = (ms << 8) | frame[std::size_t(i)];
    if (ms < kYear10000Ms) {
      state.TimeLabel = Format_Time_Label(static_cast<std::int64_t>(ms / 1000));
      return state.TimeLabel;
    }
  }
  const auto text = frame.subspan(1, std::min<std::size_t>(frame.size() - 1, kTimeLabelMax));
  state.TimeLabel.assign(reinterpret_cast<const char*>(text.data()), text.size());
  return {reinterpret_cast<const char*>(text.data()), text.size()};
}

void Make_Current(TelemetryState& state, std::span<const std::uint8_t> frame) {
  Copy_Short(state.FrameBytes.data(), frame.data(), frame.size());
  state.FrameLength = static_cast<int>(frame.size());
}

}  // namespace

TakenFrame Take_Frame(TelemetryState& state, std::span<const std::uint8_t> stored,
                      std::size_t full_length) {
  TakenFrame taken;
  if (full_length > static_cast<std::size_t>(kFrameCapacity)) {
    taken.outcome.problem = FrameProblem::FrameTooLong;
    return taken;
  }
  const std::span<const std::uint8_t> frame = stored.first(full_length);
  // The frame is decoded and logged where the caller holds it, and becomes the current frame
  // last: a copy read back at once from bytes written a moment ago costs more than the decoding.
  if (!frame.empty() && frame[0] == kTimeLabelCommand) {
    Take_Time_Label(state, frame);
    Make_Current(state, frame);
    taken.time_label = true;
    return taken;
  }
  FrameDecoder(state, frame, taken.outcome, state.store.Label_Entry(state.TimeLabel)).Run();
  if (state.keep_frame_log) {
    state.frame_log.Append(frame, state.TimeLabel, taken.outcome);
  }
  Make_Current(state, frame);
  return taken;
}

namespace {

// The frames of a batch, decoded into an `Out`: a FrameOutcome for each frame when `after_each`
// follows them, else a BatchFrameOutcome.
template <typename Out>
BatchOutcome Take_All(TelemetryState& state, const FrameBatch& batch, std::int64_t first_file_frame,
                      const AfterEachFrame& after_each) {
  BatchOutcome result;
  // The frames between two time labels are decoded one by one and then logged at once, as one
  // run under their label.
  std::array<LineFacts, FrameBatch::kMaxFrames> facts;
  std::size_t run = 0;  // the first frame of the run not yet logged
  const auto log_run = [&](std::size_t end) {
    if (state.keep_frame_log && run < end) {
      const std::int64_t first =
          first_file_frame > 0 ? first_file_frame + static_cast<std::int64_t>(run) : 0;
      state.frame_log.Append_Run(batch.Bytes(), batch.Begin(run),
                                 batch.Ends().subspan(run, end - run), &facts[run], state.TimeLabel,
                                 first);
    }
    run = end + 1;
  };
  // Nothing reads the current frame while the batch is taken, so only the last frame that
  // would have become current is copied there.
  const std::size_t n = batch.size();
  std::size_t current = n;
  // The label's entry is found once per run, not per sample.
  std::uint32_t label_entry = state.store.Label_Entry(state.TimeLabel);
  std::size_t i = 0;
  for (; i < n; ++i) {
    bool time_label = false;
    Out outcome;
    if (batch.Full_Length(i) > static_cast<std::size_t>(kFrameCapacity)) {
      log_run(i);
      outcome.problem = FrameProblem::FrameTooLong;
    } else {
      const std::span<const std::uint8_t> frame = batch.Stored(i);
      current = i;
      if (!frame.empty() && frame[0] == kTimeLabelCommand) {
        log_run(i);
        label_entry = state.store.Label_Entry(Take_Time_Label(state, frame));
        time_label = true;
        ++result.time_labels;
      } else {
        FrameDecoder(state, frame, outcome, label_entry).Run();
        facts[i] = LineFacts::Of(outcome);
        if (outcome.problem == FrameProblem::None) {
          result.other_stations += outcome.kind == FrameKind::Other;
        }
      }
    }
    if (outcome.problem != FrameProblem::None) result.problems.emplace_back(i, outcome.problem);
    if constexpr (std::is_same_v<Out, FrameOutcome>) {
      after_each(i, TakenFrame{time_label, outcome});
      // What follows the load may have emptied the store, and its label entries with it.
      label_entry = state.store.Label_Entry(state.TimeLabel);
    }
    if (outcome.problem == FrameProblem::StoreFull) {
      result.full_channel = outcome.full_channel;
      ++i;
      break;
    }
  }
  log_run(i);
  result.taken = i;
  if (current < n) Make_Current(state, batch.Stored(current));
  return result;
}

}  // namespace

BatchOutcome Take_Frames(TelemetryState& state, const FrameBatch& batch,
                         std::int64_t first_file_frame, const AfterEachFrame& after_each) {
  return after_each ? Take_All<FrameOutcome>(state, batch, first_file_frame, after_each)
                    : Take_All<BatchFrameOutcome>(state, batch, first_file_frame, after_each);
}

}  // namespace orvelt

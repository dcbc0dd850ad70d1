#include "archive/frame_record.hpp"

#include <cstdio>

#include "decode/latin1.hpp"

namespace orvelt {

void Keep_Store_Open(TelemetryState& state, const FrameOutcome& outcome) {
  for (int k = 0; k < outcome.value_count; ++k) {
    if (state.store.Count(outcome.values[static_cast<std::size_t>(k)].channel) >= kSeriesCapacity) {
      state.store.Reset_Store();
      return;
    }
  }
}

FrameRecord Read_Frame_Record(const TelemetryState& state, std::span<const std::uint8_t> stored,
                              const TakenFrame& taken) {
  FrameRecord record;
  record.bytes = stored;
  record.label = state.TimeLabel;
  record.time_label = taken.time_label;
  record.outcome = taken.outcome;
  const FrameOutcome& out = taken.outcome;
  if (out.kind == FrameKind::Message && out.problem == FrameProblem::None) {
    const auto text =
        stored.subspan(kMessageTextStart, stored.size() - kMessageTextStart - kMessageTrailerBytes);
    Append_Latin1_As_Utf8(record.message,
                          {reinterpret_cast<const char*>(text.data()), text.size()});
  }
  // The status is noted only when both of the record's values were stored.
  if (out.kind == FrameKind::Sensor && out.type == kSwitchboardRecord && out.value_count == 2 &&
      out.problem == FrameProblem::None) {
    record.switch_status = stored[9];
  }
  return record;
}

std::string Frame_Kind_Text(const FrameRecord& record) {
  if (record.time_label) return "time label";
  switch (record.outcome.kind) {
    case FrameKind::Counter:
      return "counter";
    case FrameKind::Message:
      return "message";
    case FrameKind::Other:
      return "other station";
    case FrameKind::Sensor:
      break;
  }
  switch (record.outcome.type) {
    case kBatteryRecord:
      return "battery";
    case kSolarRecord:
      return "solar array";
    case kSwitchboardRecord:
      return "switchboard";
    case kMagnetometerRecord:
      return "magnetometer";
    default: {
      char text[24];
      std::snprintf(text, sizeof text, "sensor record 0x%02X", record.outcome.type);
      return text;
    }
  }
}

}  // namespace orvelt

#include "archive/frame_record.hpp"

#include "decode/frame_kind_name.hpp"
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
  return record.time_label ? "time label" : Frame_Kind_Name(record.outcome);
}

}  // namespace orvelt

#include "live/live_session.hpp"

#include "decode/time_label.hpp"

namespace orvelt {

namespace {

std::int64_t Floor_Seconds(std::int64_t ms) {
  return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

bool Any_Channel_Full(const TelemetryStore& store) {
  for (int c = 0; c < kChannelCount; ++c) {
    if (store.Count(c) >= kSeriesCapacity) return true;
  }
  return false;
}

}  // namespace

LiveCounts& LiveCounts::operator+=(const LiveCounts& more) {
  bytes += more.bytes;
  frames += more.frames;
  time_labels += more.time_labels;
  decoded += more.decoded;
  problems += more.problems;
  too_long += more.too_long;
  discarded_bytes += more.discarded_bytes;
  cut_off += more.cut_off;
  other += more.other;
  if (more.last_frame_ms >= 0) last_frame_ms = more.last_frame_ms;
  return *this;
}

LiveCounts LiveSession::Run_Counts() const {
  LiveCounts run = earlier_counts_;
  run += counts_;
  return run;
}

RunRecording LiveSession::Run_Recording() const {
  RunRecording run = earlier_recording_;
  if (!Recording().path.empty()) {
    run.frames += Recording().frames;
    ++run.files;
  }
  return run;
}

Outcome LiveSession::Begin(const std::string& folder, std::int64_t start_ms) {
  folder_ = folder;
  deframer_.Reset();
  tnc_label_ = false;
  recorder_.Reset();
  earlier_counts_ = {};
  earlier_recording_ = {};
  counts_ = {};
  New_Session(start_ms);
  if (folder.empty() || Recording().recording()) return Outcome::Done();
  return Recording().outcome;
}

void LiveSession::Stop_Recording() {
  recorder_.Close();
}

void LiveSession::Feed(std::span<const std::uint8_t> bytes, std::int64_t arrival_ms) {
  arrival_ms_ = arrival_ms;
  counts_.bytes += bytes.size();
  deframer_.Feed(bytes, [this](std::span<const std::uint8_t> stored, std::size_t length) {
    Take(stored, length);
    return true;
  });
  recorder_.Sync();
}

void LiveSession::Take(std::span<const std::uint8_t> stored, std::size_t full_length) {
  // A full store rolls over before the frame is counted, so that the frame that starts the new
  // session is counted in it alone.
  const bool label_frame =
      full_length <= static_cast<std::size_t>(kFrameCapacity) && stored[0] == kTimeLabelCommand;
  if (roll_over_ && !label_frame && Any_Channel_Full(state_.store)) New_Session(arrival_ms_);
  ++counts_.frames;
  counts_.last_frame_ms = arrival_ms_;
  LiveFrame frame{stored, full_length, arrival_ms_, {}, {}, false};
  std::string label;
  if (full_length > static_cast<std::size_t>(kFrameCapacity)) {
    ++counts_.too_long;
    counts_.discarded_bytes += full_length;
    frame.taken.outcome.problem = FrameProblem::FrameTooLong;
    tnc_label_ = false;
  } else if (stored[0] == kTimeLabelCommand) {
    // Read as a file's time-label frame is read; it stamps the frame that follows it.
    ++counts_.time_labels;
    frame.taken = Take_Frame(state_, stored, full_length);
    tnc_label_ = true;
  } else {
    if (!tnc_label_) state_.TimeLabel = Format_Time_Label(Floor_Seconds(arrival_ms_));
    tnc_label_ = false;
    if (!store_full_) {
      frame.taken = Take_Frame(state_, stored, full_length);
      frame.decoded = true;
      const FrameProblem problem = frame.taken.outcome.problem;
      if (problem == FrameProblem::None) {
        ++counts_.decoded;
        if (frame.taken.outcome.kind == FrameKind::Other) ++counts_.other;
      } else {
        ++counts_.problems;
      }
      store_full_ = problem == FrameProblem::StoreFull;
    }
  }
  label = state_.TimeLabel;
  frame.label = label;
  recorder_.Record(stored, full_length, label, frame.taken.time_label);
  for (const Observer& observer : observers_) observer(frame);
}

void LiveSession::Connection_Ended() {
  if (deframer_.Pending_Bytes() > 0) ++counts_.cut_off;
  deframer_.Reset();
  tnc_label_ = false;
}

void LiveSession::New_Session(std::int64_t start_ms) {
  state_.Start_Afresh();
  store_full_ = false;
  earlier_counts_ += counts_;
  counts_ = {};
  if (!Recording().path.empty()) {
    earlier_recording_.frames += Recording().frames;
    ++earlier_recording_.files;
  }
  // A recording that cannot be made says why in Recording(); reception goes on without it.
  if (!folder_.empty()) static_cast<void>(recorder_.Open(folder_, start_ms));
}

}  // namespace orvelt

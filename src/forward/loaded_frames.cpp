#include "forward/loaded_frames.hpp"

#include "decode/time_label.hpp"

#include <algorithm>
#include <iterator>

namespace orvelt {

void QueuedLogFrames::Add(std::uint64_t begin, std::uint64_t end) {
  if (begin >= end) return;
  // Kept sorted and apart, so that Contains can search; most calls extend the last range.
  auto at = std::lower_bound(ranges_.begin(), ranges_.end(), begin,
                             [](const Range& r, std::uint64_t b) { return r.end < b; });
  Range merged{begin, end};
  auto last = at;
  while (last != ranges_.end() && last->begin <= end) {
    merged.begin = std::min(merged.begin, last->begin);
    merged.end = std::max(merged.end, last->end);
    ++last;
  }
  at = ranges_.erase(at, last);
  ranges_.insert(at, merged);
}

bool QueuedLogFrames::Contains(std::uint64_t position) const {
  const auto after = std::upper_bound(ranges_.begin(), ranges_.end(), position,
                                      [](std::uint64_t p, const Range& r) { return p < r.begin; });
  return after != ranges_.begin() && position < std::prev(after)->end;
}

LoadedFrames Loaded_Frames_To_Forward(const FrameLog& log, const QueuedLogFrames& queued) {
  LoadedFrames loaded;
  loaded.not_held = log.dropped();
  loaded.end_position = log.total_appended();
  for (std::size_t i = 0; i < log.size(); ++i) {
    const FrameLogEntry entry = log.Entry(i);
    // Frames of other stations and frames with problems are never sent, as in live reception.
    if (entry.kind == FrameKind::Other || entry.problem != FrameProblem::None) continue;
    if (entry.bytes.size() <= 1) continue;
    if (queued.Contains(log.first_position() + i)) {
      ++loaded.already_queued;
      continue;
    }
    const auto seconds = Parse_Time_Label(entry.label);
    if (!seconds) {
      ++loaded.without_label;
      continue;
    }
    const std::int64_t ms = *seconds * 1000;
    if (loaded.frames.empty()) {
      loaded.first_ms = loaded.last_ms = ms;
    } else {
      loaded.first_ms = std::min(loaded.first_ms, ms);
      loaded.last_ms = std::max(loaded.last_ms, ms);
    }
    loaded.frames.push_back({{entry.bytes.begin(), entry.bytes.end()}, ms});
  }
  return loaded;
}

std::string Loaded_Frames_Question(const LoadedFrames& loaded) {
  std::string text;
  if (loaded.frames.empty()) {
    text =
        "No frame of the loaded files is left to forward (only telemetry frames with a time label "
        "are sent).";
  } else {
    text = "Forward " + std::to_string(loaded.frames.size()) +
           (loaded.frames.size() == 1 ? " frame" : " frames") + " received from " +
           Format_Time_Label(loaded.first_ms / 1000) + " to " +
           Format_Time_Label(loaded.last_ms / 1000) + " UTC?";
  }
  if (loaded.without_label > 0) {
    text += "\n" + std::to_string(loaded.without_label) +
            " telemetry frames have no time label and are left out.";
  }
  if (loaded.already_queued > 0) {
    text += "\n" + std::to_string(loaded.already_queued) +
            " frames were queued for forwarding before and are left out.";
  }
  if (loaded.not_held > 0) {
    text += "\nThe " + std::to_string(loaded.not_held) +
            " oldest frames are no longer held in memory and are left out; load fewer files at "
            "a time to forward them.";
  }
  return text;
}

}  // namespace orvelt

#pragma once

#include "decode/frame_log.hpp"
#include "forward/received_frame.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvelt {

// The frames of loaded capture files that may be forwarded on request: those the decoder took
// as telemetry and that carry a time label, each stamped with its label's time, since nothing
// else says when a frame of a capture was received.
// The frames of the frame log that were queued for forwarding already (received live while
// forwarding ran, or forwarded on an earlier request), by their position in the log's whole
// history (0 the first frame ever appended), so that none is offered twice.
class QueuedLogFrames {
 public:
  // Frames at positions begin .. end-1 were queued.
  void Add(std::uint64_t begin, std::uint64_t end);
  bool Contains(std::uint64_t position) const;

 private:
  struct Range {
    std::uint64_t begin;
    std::uint64_t end;
  };
  std::vector<Range> ranges_;
};

struct LoadedFrames {
  std::vector<ReceivedFrame> frames;
  std::int64_t first_ms = 0;  // the earliest and latest label among them
  std::int64_t last_ms = 0;
  std::size_t without_label = 0;   // telemetry frames left out: no time label to stamp them with
  std::uint64_t not_held = 0;      // older frames the frame log no longer keeps
  std::size_t already_queued = 0;  // telemetry frames queued before, left out
  std::uint64_t end_position = 0;  // the log's history up to here was looked at
};

LoadedFrames Loaded_Frames_To_Forward(const FrameLog& log, const QueuedLogFrames& queued = {});

// The question asked before they are queued, e.g. "Forward 120 frames received from
// 2026-12-07 10:15:00 to 2026-12-07 10:27:13 UTC?", with what is left out and why.
std::string Loaded_Frames_Question(const LoadedFrames& loaded);

}  // namespace orvelt

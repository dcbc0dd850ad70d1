#include "forward/loaded_frames.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvelt {
namespace {

struct LoggedFrame {
  std::vector<std::uint8_t> bytes;
  std::string label;
  FrameKind kind;
  FrameProblem problem = FrameProblem::None;
};

FrameLog Log_Of(const std::vector<LoggedFrame>& frames, std::size_t times = 1) {
  FrameLog log;
  for (std::size_t i = 0; i < times; ++i) {
    for (const LoggedFrame& f : frames) {
      FrameOutcome outcome;
      outcome.kind = f.kind;
      outcome.problem = f.problem;
      log.Append(f.bytes, f.label, outcome);
    }
  }
  return log;
}

const LoggedFrame kLabelled = {{0x00, 0x01}, "2026-12-07 10:15:00", FrameKind::Sensor};

TEST(LoadedFramesToForward, TakesTelemetryWithATimeLabelStampedWithIt) {
  const FrameLog log = Log_Of({
      {{0x00, 0x01, 0x02}, "2026-12-07 10:15:07", FrameKind::Counter},
      {{0x00, 0x03}, "2026-12-07 10:15:00", FrameKind::Sensor},  // earlier label, later frame
      {{0x00, 0x04}, "2026-12-07 10:15:09", FrameKind::Other},   // another station's frame
      {{0x00, 0x05}, "2026-12-07 10:15:09", FrameKind::Sensor, FrameProblem::RecordTooShort},
      {{0x10, 0x06}, "", FrameKind::Message},               // no label
      {{0x00, 0x07}, "morning pass", FrameKind::Message},   // a label that is no time
      {{0x00}, "2026-12-07 10:15:09", FrameKind::Counter},  // nothing after the command
      {{0x20, 0x08, 0x09}, "2026-12-07 10:27:13", FrameKind::Message},
  });
  const LoadedFrames loaded = Loaded_Frames_To_Forward(log);
  std::vector<std::int64_t> arrivals;
  for (const ReceivedFrame& frame : loaded.frames) arrivals.push_back(frame.arrival_ms / 1000);
  EXPECT_EQ(arrivals, (std::vector<std::int64_t>{1796638507, 1796638500, 1796639233}));
  // The command byte stays: the request leaves it out, as for a live frame.
  EXPECT_EQ(loaded.frames.back().bytes, (std::vector<std::uint8_t>{0x20, 0x08, 0x09}));
  EXPECT_EQ(Loaded_Frames_Question(loaded),
            "Forward 3 frames received from 2026-12-07 10:15:00 to 2026-12-07 10:27:13 UTC?\n"
            "2 telemetry frames have no time label and are left out.");
}

TEST(LoadedFramesToForward, LeavesOutFramesQueuedBefore) {
  const FrameLog log = Log_Of({kLabelled}, 10);
  QueuedLogFrames queued;
  queued.Add(0, 3);  // received live while forwarding ran
  queued.Add(3, 4);  // joins the range before it
  queued.Add(6, 8);  // forwarded on an earlier request
  const LoadedFrames loaded = Loaded_Frames_To_Forward(log, queued);
  EXPECT_EQ(loaded.frames.size(), 4u);  // positions 4, 5, 8 and 9
  EXPECT_EQ(loaded.already_queued, 6u);
  // Once these are queued too, nothing is offered again.
  queued.Add(0, loaded.end_position);
  EXPECT_TRUE(Loaded_Frames_To_Forward(log, queued).frames.empty());
}

// More frames than the log keeps: the oldest are gone, and the question says how many.
TEST(LoadedFramesToForward, CountsTheFramesNoLongerHeld) {
  const FrameLog log = Log_Of({kLabelled}, FrameLog::kMaxLines + 5);
  const LoadedFrames loaded = Loaded_Frames_To_Forward(log);
  EXPECT_EQ(loaded.frames.size(), log.size());
  EXPECT_EQ(loaded.not_held, 5u);
  EXPECT_NE(Loaded_Frames_Question(loaded).find("The 5 oldest frames are no longer held"),
            std::string::npos);
}

}  // namespace
}  // namespace orvelt

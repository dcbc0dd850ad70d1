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

FrameLog Log_Of(const std::vector<LoggedFrame>& frames) {
  FrameLog log;
  for (const LoggedFrame& f : frames) {
    FrameOutcome outcome;
    outcome.kind = f.kind;
    outcome.problem = f.problem;
    log.Append(f.bytes, f.label, outcome);
  }
  return log;
}

constexpr std::int64_t kTenFifteen = 1796638500;  // 2026-12-07 10:15:00 UTC

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
  ASSERT_EQ(loaded.frames.size(), 3u);
  EXPECT_EQ(loaded.frames[0].bytes, (std::vector<std::uint8_t>{0x00, 0x01, 0x02}));
  EXPECT_EQ(loaded.frames[0].arrival_ms, (kTenFifteen + 7) * 1000);
  EXPECT_EQ(loaded.frames[1].arrival_ms, kTenFifteen * 1000);
  // The command byte stays: the request leaves it out, as for a live frame.
  EXPECT_EQ(loaded.frames[2].bytes, (std::vector<std::uint8_t>{0x20, 0x08, 0x09}));
  EXPECT_EQ(loaded.first_ms, kTenFifteen * 1000);
  EXPECT_EQ(loaded.last_ms, (kTenFifteen + 12 * 60 + 13) * 1000);
  EXPECT_EQ(loaded.without_label, 2u);
  EXPECT_EQ(loaded.not_held, 0u);

  const std::string question = Loaded_Frames_Question(loaded);
  EXPECT_EQ(question,
            "Forward 3 frames received from 2026-12-07 10:15:00 to 2026-12-07 10:27:13 UTC?\n"
            "2 telemetry frames have no time label and are left out.");
}

TEST(LoadedFramesToForward, LeavesOutFramesQueuedBefore) {
  const std::vector<std::uint8_t> frame{0x00, 0x01};
  FrameOutcome sensor;
  sensor.kind = FrameKind::Sensor;
  FrameLog log;
  for (int i = 0; i < 10; ++i) log.Append(frame, "2026-12-07 10:15:00", sensor);
  QueuedLogFrames queued;
  queued.Add(0, 3);  // received live while forwarding ran
  queued.Add(3, 4);  // joins the range before it
  queued.Add(6, 8);  // forwarded on an earlier request
  const LoadedFrames loaded = Loaded_Frames_To_Forward(log, queued);
  EXPECT_EQ(loaded.frames.size(), 4u);  // positions 4, 5, 8 and 9
  EXPECT_EQ(loaded.already_queued, 6u);
  EXPECT_EQ(loaded.end_position, 10u);
  EXPECT_NE(Loaded_Frames_Question(loaded).find("6 frames were queued for forwarding before"),
            std::string::npos);

  // Once these are queued too, nothing is offered again.
  queued.Add(0, loaded.end_position);
  const LoadedFrames again = Loaded_Frames_To_Forward(log, queued);
  EXPECT_TRUE(again.frames.empty());
  EXPECT_EQ(again.already_queued, 10u);
  for (std::uint64_t p : {0u, 3u, 7u, 9u}) EXPECT_TRUE(queued.Contains(p)) << p;
  EXPECT_FALSE(queued.Contains(10));
}

TEST(LoadedFramesToForward, SaysSoWhenNothingCanBeSentOrSomeAreNoLongerHeld) {
  EXPECT_EQ(Loaded_Frames_Question(Loaded_Frames_To_Forward(FrameLog{})),
            "No frame of the loaded files is left to forward (only telemetry frames with a time "
            "label are sent).");

  // More frames than the log keeps: the oldest are gone, and the question says how many.
  FrameLog log;
  FrameOutcome counter;
  counter.kind = FrameKind::Counter;
  const std::vector<std::uint8_t> frame{0x00, 0x01};
  for (std::size_t i = 0; i < FrameLog::kMaxLines + 5; ++i) {
    log.Append(frame, "2026-12-07 10:15:00", counter);
  }
  const LoadedFrames loaded = Loaded_Frames_To_Forward(log);
  EXPECT_EQ(loaded.frames.size(), log.size());
  EXPECT_EQ(loaded.not_held, log.dropped());
  ASSERT_GT(loaded.not_held, 0u);
  EXPECT_NE(Loaded_Frames_Question(loaded).find(std::to_string(loaded.not_held) +
                                                " oldest frames are no longer held"),
            std::string::npos);
}

}  // namespace
}  // namespace orvelt

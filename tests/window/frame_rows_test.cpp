#include "window/frame_rows.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace orvelt {
namespace {

FrameLogEntry Sensor(std::uint8_t type, std::uint8_t selector, FrameProblem problem = {}) {
  FrameLogEntry e;
  e.kind = FrameKind::Sensor;
  e.type = type;
  e.selector = selector;
  e.problem = problem;
  return e;
}

TEST(FrameRows, OutcomeNamesTheChannelsFilled) {
  const std::pair<FrameLogEntry, const char*> cases[] = {
      {Sensor(kMagnetometerRecord, 3), "sensor record 0x89 selector 3: Magn X- Axis, Magn Y- Axis"},
      {Sensor(kMagnetometerRecord, 5), "sensor record 0x89 selector 5: Magn Z- Axis"},
      {Sensor(kBatteryRecord, 8, FrameProblem::StoreFull),
       "sensor record 0x2C selector 8: Battery 1 Volt (skipped: store full)"},
  };
  for (const auto& [entry, text] : cases) EXPECT_EQ(Frame_Outcome_Text(entry), text);
}

TEST(FrameRows, FiltersByKind) {
  FrameLog log;
  const std::uint8_t bytes[] = {0, 1, 2};
  const FrameKind kinds[] = {FrameKind::Counter, FrameKind::Message, FrameKind::Other,
                             FrameKind::Sensor, FrameKind::Other};
  for (const FrameKind kind : kinds) {
    FrameOutcome outcome;
    outcome.kind = kind;
    if (kind == FrameKind::Sensor) outcome.problem = FrameProblem::RecordTooShort;
    log.Append(bytes, "label", outcome);
  }
  using Rows = std::vector<std::uint32_t>;
  EXPECT_EQ(Filter_Frames(log, FrameFilter::All), (Rows{0, 1, 2, 3, 4}));
  EXPECT_EQ(Filter_Frames(log, FrameFilter::Telemetry), (Rows{0, 3}));
  EXPECT_EQ(Filter_Frames(log, FrameFilter::Other), (Rows{2, 4}));
  EXPECT_EQ(Filter_Frames(log, FrameFilter::Problems), (Rows{3}));
}

}  // namespace
}  // namespace orvelt

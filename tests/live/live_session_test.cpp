#include "live/live_session.hpp"

#include <gtest/gtest.h>

#include <span>
#include <utility>
#include <vector>

#include "live/live_status.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

using tools::Bytes;

constexpr std::int64_t kStartMs = 1796638500000;  // 2026-12-07 10:15:00

// One session on a fresh state, and a battery record on channel 3 as a TNC delivers it.
class LiveSessionUnitTest : public ::testing::Test {
 protected:
  // Feeds `times` batches of `per_batch` frames, one batch a second.
  void Feed_Batches(int times, const Bytes& one, int per_batch = 100) {
    Bytes batch;
    for (int k = 0; k < per_batch; ++k) batch.insert(batch.end(), one.begin(), one.end());
    for (int k = 0; k < times; ++k) session.Feed(batch, kStartMs + k * 1000);
  }

  TelemetryState state;
  LiveSession session{state};
  const Bytes frame = tools::Kiss_Frame(tools::Raw_Word_Record(kBatteryRecord, 3, -200));
};

TEST_F(LiveSessionUnitTest, EachFrameCarriesItsArrivalSecondUnlessTheTncStampedIt) {
  std::vector<std::string> labels;
  session.Add_Observer([&](const LiveFrame& f) { labels.emplace_back(f.label); });
  session.Feed(frame, kStartMs + 999);
  session.Feed(tools::Kiss_Frame(tools::Text_Time_Label_Frame("2026-01-01 00:00:07")),
               kStartMs + 1000);
  session.Feed(frame, kStartMs + 1001);  // stamped by the TNC's label
  session.Feed(frame, kStartMs + 2000);  // arrival again
  EXPECT_EQ(labels, (std::vector<std::string>{"2026-12-07 10:15:00", "2026-01-01 00:00:07",
                                              "2026-01-01 00:00:07", "2026-12-07 10:15:02"}));
  EXPECT_EQ(state.store.Label(3, 2), "2026-01-01 00:00:07");
}

TEST_F(LiveSessionUnitTest, BytesWithoutFendAreDiscardedAndCounted) {
  const Bytes garbage(std::size_t{1} << 20, 0x55);
  for (int k = 0; k < 64; ++k) session.Feed(garbage, kStartMs);
  EXPECT_EQ(session.Pending_Bytes(), std::uint64_t{64} << 20);
  session.Feed(frame, kStartMs + 1000);
  EXPECT_EQ(session.Counts().too_long, 1u);
  EXPECT_EQ(session.Counts().discarded_bytes, std::uint64_t{64} << 20);
  EXPECT_EQ(state.store.Count(3), 1);
  EXPECT_EQ(session.Pending_Bytes(), 0u);
}

TEST_F(LiveSessionUnitTest, AFrameCutOffByTheTncIsDroppedNotJoinedToTheNext) {
  session.Feed(std::span(frame).first(6), kStartMs);
  session.Connection_Ended();
  session.Feed(std::span(frame).subspan(1), kStartMs);  // the next connection starts at a frame
  EXPECT_EQ(session.Counts().cut_off, 1u);
  EXPECT_EQ(session.Counts().decoded, 1u);
  EXPECT_EQ(session.Counts().problems, 0u);
}

// Recording goes on past a full store; a new session, or a new connection without recording,
// starts a fresh store (and a fresh file with its first frame).
TEST_F(LiveSessionUnitTest, RecordingGoesOnAndNewSessionStartsAFreshStoreAndFile) {
  testing::ScratchDir dir;
  ASSERT_TRUE(session.Begin(dir.path().string(), kStartMs));
  Feed_Batches(kSeriesCapacity / 100 + 1, frame);
  EXPECT_TRUE(session.Store_Full());
  EXPECT_EQ(state.store.Count(3), kSeriesCapacity);
  EXPECT_EQ(session.Recording().frames, static_cast<std::uint64_t>(kSeriesCapacity + 100));

  const std::string first = session.Recording().path;
  session.New_Session(kStartMs + 1);
  EXPECT_EQ(state.store.Count(3), 0);
  session.Feed(frame, kStartMs + 20000000);
  EXPECT_NE(session.Recording().path, first);
  EXPECT_EQ(session.Recording().frames, 1u);

  Feed_Batches(kSeriesCapacity / 100, frame);
  ASSERT_TRUE(session.Store_Full());
  ASSERT_TRUE(session.Begin({}, kStartMs + 2));
  EXPECT_TRUE(session.Recording().path.empty());
  session.Feed(frame, kStartMs + 3000);
  EXPECT_EQ(state.store.Count(3), 1);
}

int syncs = 0;

// The recording is made durable once per piece received that wrote frames: a power cut loses at
// most the piece being written.
TEST_F(LiveSessionUnitTest, TheRecordingIsSyncedAfterEachPieceThatWroteFrames) {
  testing::ScratchDir dir;
  syncs = 0;
  session.Set_Recording_Sync_Call([](int) { return ++syncs, 0; });
  ASSERT_TRUE(session.Begin(dir.path().string(), kStartMs));
  const std::span<const std::uint8_t> all(frame);
  // Each piece, and the syncs made when it has been taken.
  const std::pair<std::span<const std::uint8_t>, int> pieces[] = {
      {all, 1}, {all, 2}, {all.first(all.size() / 2), 2}, {all.subspan(all.size() / 2), 3}};
  for (const auto& [piece, after] : pieces) {
    session.Feed(piece, kStartMs);
    EXPECT_EQ(syncs, after);
  }
}

TEST_F(LiveSessionUnitTest, AStationThatRollsOverCountsTheWholeRun) {
  testing::ScratchDir dir;
  session.Set_Roll_Over(true);
  ASSERT_TRUE(session.Begin(dir.path().string(), kStartMs));
  // Two and a half stores' worth of one channel, one frame in a hundred from another station.
  constexpr int kBatches = 2 * kSeriesCapacity / 99 + 25;
  Bytes batch, foreign = tools::Kiss_Frame(Bytes{0x00, 0x82, 0xA0, 0x9C, 0x40});
  for (int k = 0; k < 99; ++k) batch.insert(batch.end(), frame.begin(), frame.end());
  batch.insert(batch.end(), foreign.begin(), foreign.end());
  Feed_Batches(kBatches, batch, 1);

  const LiveCounts run = session.Run_Counts();
  EXPECT_EQ(run.frames, std::uint64_t{kBatches} * 100);
  EXPECT_EQ(run.other, std::uint64_t{kBatches});
  EXPECT_LT(session.Counts().frames, run.frames);  // the store holds the last session alone
  EXPECT_EQ(session.Run_Recording().files, 3u);
  EXPECT_NE(Live_Status_Line({}, session, kStartMs).find(" decoded, 25 from other stations | "),
            std::string::npos);
  ASSERT_TRUE(session.Begin({}, kStartMs + 1));  // a new run starts from nothing
  EXPECT_EQ(session.Run_Counts().frames, 0u);
}

}  // namespace
}  // namespace orvelt

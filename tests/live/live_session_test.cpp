#include "live/live_session.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ingest/capture_reader.hpp"
#include "live/live_status.hpp"
#include "support/same_state.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

using tools::Bytes;

constexpr std::int64_t kStartMs = 1796638500000;  // 2026-12-07 10:15:00

// How a byte stream is cut into the pieces a socket or serial line delivers.
enum class Cut { Whole, SingleBytes, Random, AfterEveryFesc };

std::vector<std::span<const std::uint8_t>> Pieces(const Bytes& bytes, Cut cut, unsigned seed) {
  std::vector<std::span<const std::uint8_t>> pieces;
  std::mt19937 random(seed);
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t n = bytes.size() - at;
    if (cut == Cut::SingleBytes) n = 1;
    if (cut == Cut::Random) n = std::min<std::size_t>(n, 1 + random() % 700);
    if (cut == Cut::AfterEveryFesc) {
      const auto* p = std::find(bytes.data() + at, bytes.data() + bytes.size(), kFesc);
      n = std::min<std::size_t>(n, static_cast<std::size_t>(p - (bytes.data() + at)) + 1);
    }
    pieces.push_back(std::span(bytes).subspan(at, n));
    at += n;
  }
  return pieces;
}

// Feeds a capture in pieces, the clock moving on by up to 0.4 s between pieces.
void Feed_Pieces(LiveSession& session, const Bytes& bytes, Cut cut, unsigned seed) {
  std::mt19937 random(seed + 1);
  std::int64_t now = kStartMs;
  for (const auto piece : Pieces(bytes, cut, seed)) {
    session.Feed(piece, now);
    now += static_cast<std::int64_t>(random() % 400);
  }
}

struct SessionCase {
  const char* name;
  tools::PassOptions pass;
  Cut cut;
};

class LiveSessionTest : public ::testing::TestWithParam<SessionCase> {};

// The recording of a live session, loaded as a capture file, gives exactly the decoded facts the
// session had, however the bytes were cut and whatever the TNC sent.
TEST_P(LiveSessionTest, RecordingReloadsToTheSameStore) {
  const SessionCase& c = GetParam();
  const tools::CaptureBuilder pass = tools::Generate_Pass(c.pass);
  testing::ScratchDir dir;
  TelemetryState live;
  LiveSession session(live);
  std::vector<Bytes> observed;
  session.Add_Observer([&](const LiveFrame& f) {
    if (f.decoded) observed.emplace_back(f.bytes.begin(), f.bytes.end());
  });
  session.Set_Durable_Recording(false);  // thousands of pieces: no sync of each
  ASSERT_TRUE(session.Begin(dir.path().string(), kStartMs));
  Feed_Pieces(session, pass.bytes(), c.cut, 7);
  const std::string path = session.Recording().path;
  session.Stop_Recording();

  EXPECT_EQ(session.Counts().frames, pass.frame_count());
  EXPECT_TRUE(session.Recording().error.empty()) << session.Recording().error;
  TelemetryState reread;
  Load_Files(reread, {path});
  EXPECT_TRUE(testing::Same_Decoded_Facts(live, reread));

  // Every frame handed to the decoder reached the observers once, in order.
  std::vector<Bytes> sent;
  KissDeframer deframer;
  deframer.Feed(pass.bytes(), [&](auto stored, std::size_t length) {
    const bool too_long = length > static_cast<std::size_t>(kFrameCapacity);
    if (stored[0] != kTimeLabelCommand && !too_long)
      sent.emplace_back(stored.begin(), stored.end());
    return true;
  });
  if (!session.Store_Full()) {
    EXPECT_EQ(observed, sent);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Passes, LiveSessionTest,
    ::testing::Values(SessionCase{"TextLabelsWhole", {.seconds = 40}, Cut::Whole},
                      SessionCase{"TextLabelsSingleBytes", {.seconds = 20}, Cut::SingleBytes},
                      SessionCase{
                          "BinaryStampsRandom", {.seconds = 60, .binary_time = true}, Cut::Random},
                      SessionCase{"DamagedAndForeignAfterFesc",
                                  {.seconds = 60, .damaged = true, .foreign = true},
                                  Cut::AfterEveryFesc},
                      SessionCase{"StoreFills", {.seconds = 5100, .fill = true}, Cut::Random}),
    [](const auto& info) { return std::string(info.param.name); });

// One session on a fresh state, and a battery record on channel 3 as a TNC delivers it.
class LiveSessionUnitTest : public ::testing::Test {
 protected:
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
  EXPECT_EQ(session.Counts().decoded, 3u);
  EXPECT_EQ(session.Counts().time_labels, 1u);
  EXPECT_EQ(session.Counts().last_frame_ms, kStartMs + 2000);
}

TEST_F(LiveSessionUnitTest, BytesWithoutFendAreDiscardedAndCounted) {
  const Bytes garbage(std::size_t{1} << 20, 0x55);
  constexpr int kMegabytes = 64;
  for (int k = 0; k < kMegabytes; ++k) session.Feed(garbage, kStartMs);
  EXPECT_EQ(session.Pending_Bytes(), std::uint64_t{kMegabytes} << 20);
  session.Feed(frame, kStartMs + 1000);
  const LiveCounts& counts = session.Counts();
  EXPECT_EQ(counts.too_long, 1u);
  EXPECT_EQ(counts.discarded_bytes, std::uint64_t{kMegabytes} << 20);
  EXPECT_EQ(counts.decoded, 1u);
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

TEST_F(LiveSessionUnitTest, RecordingGoesOnAndNewSessionStartsAFreshStoreAndFile) {
  testing::ScratchDir dir;
  ASSERT_TRUE(session.Begin(dir.path().string(), kStartMs));
  Bytes hundred;  // fed a hundred frames at a time, as a busy link delivers them
  for (int k = 0; k < 100; ++k) hundred.insert(hundred.end(), frame.begin(), frame.end());
  for (int k = 0; k < kSeriesCapacity / 100; ++k) session.Feed(hundred, kStartMs + k * 1000);
  for (int k = 0; k < 10; ++k) session.Feed(frame, kStartMs + 100000);
  EXPECT_TRUE(session.Store_Full());
  EXPECT_EQ(state.store.Count(3), kSeriesCapacity);
  EXPECT_EQ(session.Recording().frames, static_cast<std::uint64_t>(kSeriesCapacity + 10));
  LinkStatus link;
  EXPECT_NE(Live_Status_Line(link, session, kStartMs).find(kStoreFullMessage), std::string::npos);

  const std::string first = session.Recording().path;
  session.New_Session(kStartMs + 1);
  EXPECT_FALSE(session.Store_Full());
  EXPECT_EQ(state.store.Count(3), 0);
  session.Feed(frame, kStartMs + 20000000);
  EXPECT_NE(session.Recording().path, first);  // made with its first frame, beside the first
  EXPECT_EQ(state.store.Count(3), 1);
  EXPECT_EQ(session.Recording().frames, 1u);

  // A new connection without recording begins with an empty store and no recording.
  for (int k = 0; k < kSeriesCapacity / 100; ++k) session.Feed(hundred, kStartMs);
  ASSERT_TRUE(session.Store_Full());
  ASSERT_TRUE(session.Begin({}, kStartMs + 2));
  EXPECT_FALSE(session.Store_Full());
  EXPECT_EQ(state.store.Count(3), 0);
  EXPECT_TRUE(session.Recording().path.empty());
  session.Feed(frame, kStartMs + 3000);
  EXPECT_EQ(state.store.Count(3), 1);
  EXPECT_EQ(session.Counts().frames, 1u);
}

TEST_F(LiveSessionUnitTest, AStationThatRollsOverCountsTheWholeRun) {
  testing::ScratchDir dir;
  session.Set_Roll_Over(true);
  ASSERT_TRUE(session.Begin(dir.path().string(), kStartMs));
  const Bytes foreign = tools::Kiss_Frame(Bytes{0x00, 0x82, 0xA0, 0x9C, 0x40});
  Bytes hundred;
  for (int k = 0; k < 99; ++k) hundred.insert(hundred.end(), frame.begin(), frame.end());
  hundred.insert(hundred.end(), foreign.begin(), foreign.end());
  // Two and a half stores' worth of one channel: two roll-overs.
  constexpr int kHundreds = 2 * kSeriesCapacity / 99 + 25;
  for (int k = 0; k < kHundreds; ++k) session.Feed(hundred, kStartMs + k * 1000);

  const LiveCounts run = session.Run_Counts();
  EXPECT_EQ(run.frames, std::uint64_t{kHundreds} * 100);
  EXPECT_EQ(run.decoded, run.frames);
  EXPECT_EQ(run.other, std::uint64_t{kHundreds});
  EXPECT_LT(session.Counts().frames, run.frames);  // the store holds the last session alone
  EXPECT_LE(session.Counts().decoded, session.Counts().frames);
  EXPECT_EQ(session.Run_Recording().files, 3u);
  EXPECT_EQ(session.Run_Recording().frames, run.frames);
  EXPECT_NE(Live_Status_Line({}, session, kStartMs).find(" decoded, 25 from other stations | "),
            std::string::npos)
      << Live_Status_Line({}, session, kStartMs);

  // A new run starts from nothing.
  ASSERT_TRUE(session.Begin({}, kStartMs + 1));
  EXPECT_EQ(session.Run_Counts().frames, 0u);
  EXPECT_EQ(session.Run_Recording().files, 0u);
}

}  // namespace
}  // namespace orvelt

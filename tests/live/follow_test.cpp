#include "live/follow.hpp"

#include <gtest/gtest.h>

#include "live/live_status.hpp"

namespace orvelt {
namespace {

TEST(NewestRecordTest, SelectedChannelFirstElseTheFullestChannel) {
  TelemetryStore store;
  EXPECT_EQ(Newest_Record(store, 3), 0);
  for (int k = 0; k < 4; ++k) store.Append_Sample(3, k, "l");
  for (int k = 0; k < 9; ++k) store.Append_Sample(51, k, "l");
  EXPECT_EQ(Newest_Record(store, 3), 4);
  EXPECT_EQ(Newest_Record(store, -1), 9);
  EXPECT_EQ(Newest_Record(store, 8), 9);  // selected but still empty
}

TEST(FollowStateTest, UserMoveStopsFollowingAndFollowResumes) {
  FollowState follow;
  EXPECT_EQ(follow.Position(1, 5), 5);
  EXPECT_EQ(follow.Position(5, 5), 0);
  EXPECT_EQ(follow.Position(1, 0), 0);
  follow.User_Moved();
  EXPECT_EQ(follow.Position(1, 9), 0);
  follow.Resume();
  EXPECT_EQ(follow.Position(1, 9), 9);
}

TEST(CategoryRangeTest, GrowthKeepsTheUsersZoom) {
  const struct {
    const char* name;
    CategoryRange shown;
    int old_rows, new_rows;
    CategoryRange expected;
  } cases[] = {
      {"all rows shown stay all shown", {0.5, 10.5}, 10, 12, {0.5, 12.5}},
      {"zoomed at the newest row slides along", {5.5, 10.5}, 10, 13, {8.5, 13.5}},
      {"zoomed onto old rows stays", {2.0, 6.0}, 10, 13, {2.0, 6.0}},
      {"first rows of an empty chart show all", {0.5, 1.5}, 0, 3, {0.5, 3.5}},
      {"fewer rows (a new chart) show all", {3.0, 6.0}, 10, 4, {0.5, 4.5}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Category_Range_After_Growth(c.shown, c.old_rows, c.new_rows), c.expected) << c.name;
  }
}

TEST(RepaintDelayTest, FirstChangeAfterAQuietMomentPaintsAtOnce) {
  const std::int64_t cases[][3] = {
      {-1, 1000, 0}, {1000, 1000, 33}, {1000, 1010, 23}, {1000, 1033, 0}};
  for (const auto& [last, now, delay] : cases) {
    EXPECT_EQ(Repaint_Delay_Ms(last, now, kRepaintIntervalMs), delay) << last << " " << now;
  }
}

// The seconds until the next attempt are rounded up: 3.5 s left reads "4 s".
TEST(LinkTextTest, SaysWhatTheLinkDoesAndWhy) {
  LinkStatus link;
  link.source = "localhost:8001";
  EXPECT_EQ(Link_Text(link, 0), "disconnected");
  link.phase = LinkPhase::Waiting;
  link.retry_at_ms = 10000;
  link.problem = LinkProblem::ClosedByTnc;
  EXPECT_EQ(Link_Text(link, 6500), "reconnecting to localhost:8001 in 4 s (closed by the TNC)");
}

}  // namespace
}  // namespace orvelt

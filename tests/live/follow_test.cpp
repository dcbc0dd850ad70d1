#include "live/follow.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

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
  for (const auto& c : cases)
    EXPECT_EQ(Category_Range_After_Growth(c.shown, c.old_rows, c.new_rows), c.expected) << c.name;
}

TEST(RepaintDelayTest, FirstChangeAfterAQuietMomentPaintsAtOnce) {
  const std::int64_t cases[][3] = {
      {-1, 1000, 0}, {1000, 1000, 33}, {1000, 1010, 23}, {1000, 1033, 0}};
  for (const auto& [last, now, delay] : cases)
    EXPECT_EQ(Repaint_Delay_Ms(last, now, kRepaintIntervalMs), delay) << last << " " << now;
}

}  // namespace
}  // namespace orvelt

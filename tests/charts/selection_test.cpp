#include "charts/selection.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "charts/chart_routines.hpp"
#include "support/fake_platform.hpp"

namespace orvelt {
namespace {

// Every channel holds its own number of samples, so the chart drawn tells whose rows it shows.
void Load(AppState& app) {
  for (int c = 0; c < kChannelCount; ++c) {
    for (int i = 1; i <= 5 + c; ++i) app.telemetry.store.Append_Sample(c, c + i / 100.0, "l");
  }
}

// A fresh press of Shift or the right button draws the clicked channel's group, if it has one;
// otherwise the channel alone is drawn. Both keys are asked each time, as asking clears the bit.
TEST(Option1Click, DrawsTheGroupChartOnlyAfterAFreshPressOfEitherKey) {
  constexpr std::uint16_t kFresh = 0x8001, kHeld = 0x8000, kUp = 0x0001;
  const std::array<std::uint16_t, 3> keys[] = {
      {0, 0, 0}, {kHeld, kUp, 0}, {kUp, kHeld, 0}, {kFresh, kUp, 1}, {kHeld, kFresh, 1}};
  // The channel clicked, the first of its group and the group's size; channel 46 has no group,
  // so a group press leaves channel 47's chart on show.
  const std::array<int, 3> clicks[] = {{8, 3, 2}, {53, 51, 3}, {46, 47, 1}};
  for (const auto& [shift, right, grouped] : keys) {
    for (const auto& [clicked, first, columns] : clicks) {
      SCOPED_TRACE(::testing::Message() << shift << " " << right << " channel " << clicked);
      AppState app;
      Load(app);
      testing::FakePlatform platform;
      platform.shift_states = {shift};
      platform.right_button_states = {right};
      Draw_Value(app, 47);

      Option1_Click(app, platform, clicked);

      EXPECT_EQ(platform.key_queries, (std::vector{AsyncKey::Shift, AsyncKey::RightButton}));
      const ChartModel& chart = app.form.MSChart2;
      EXPECT_EQ(chart.row_count, app.telemetry.store.Count(grouped ? first : clicked));
      EXPECT_EQ(chart.column_count, grouped ? columns : 1);
    }
  }
}

TEST(Check1Click, SwitchesBarsAndLinesKeepingTheData) {
  AppState app;
  Load(app);
  Draw_Mag_Chart(app, 52);
  const ChartModel drawn = app.form.MSChart2;
  for (const std::array<int, 3> c : {std::array{1, 1, 1}, {0, 3, 6}, {1, 1, 1}, {2, 3, 6}}) {
    app.form.Check1 = c[0];
    Check1_Click(app);
    EXPECT_EQ(app.form.MSChart2.chart_type, c[1]) << c[0];
    EXPECT_EQ(app.form.MSChart2.series_type, c[2]) << c[0];
    EXPECT_EQ(app.form.MSChart2.data, drawn.data);
  }
}

}  // namespace
}  // namespace orvelt

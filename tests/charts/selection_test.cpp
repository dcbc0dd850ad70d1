#include "charts/selection.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "charts/chart_routines.hpp"
#include "support/fake_platform.hpp"

namespace orvelt {
namespace {

// Every channel holds its own number of samples, so the chart drawn tells whose rows it shows.
void Load(AppState& app) {
  for (const ChannelInfo& c : Channel_Table()) {
    if (c.index >= kChannelCount) continue;
    for (int i = 1; i <= 5 + c.index; ++i) {
      app.telemetry.store.Append_Sample(c.index, c.index + i / 100.0, "2026-11-28 09:14:00");
    }
  }
}

// The first channel of each group chart, by member.
const std::map<int, int> kGroupFirst = {{3, 3},   {8, 3},   {10, 10}, {13, 10}, {16, 16}, {21, 16},
                                        {19, 19}, {27, 19}, {51, 51}, {52, 51}, {53, 51}};

TEST(Option1Click, DrawsTheGroupChartOnlyAfterAFreshPressOfEitherKey) {
  constexpr std::uint16_t kFresh = 0x8001, kHeld = 0x8000, kReleased = 0x0001;
  struct Keys {
    std::uint16_t shift, right_button;
    bool group;
  };
  const std::vector<Keys> cases = {{0, 0, false},
                                   {kHeld, kReleased, false},
                                   {kReleased, kHeld, false},
                                   {kFresh, kReleased, true},
                                   {kHeld, kFresh, true},
                                   {kFresh, kFresh, true}};
  for (const Keys& k : cases) {
    for (const ChannelInfo& info : Channel_Table()) {
      const int index = info.index;
      SCOPED_TRACE(::testing::Message()
                   << "shift " << k.shift << " right " << k.right_button << " channel " << index);
      AppState app;
      Load(app);
      testing::FakePlatform platform;
      platform.shift_states = {k.shift};
      platform.right_button_states = {k.right_button};
      Draw_Value(app, 47);  // something else on show before the click
      const ChartModel before = app.form.MSChart2;
      const std::string caption_before = app.form.Frame5;

      Option1_Click(app, platform, index);

      // Each query clears its key's "pressed since" bit, so both are always made, Shift first.
      EXPECT_EQ(platform.key_queries, (std::vector{AsyncKey::Shift, AsyncKey::RightButton}));
      const ChartModel& chart = app.form.MSChart2;
      const auto group = kGroupFirst.find(index);
      if (!k.group) {
        EXPECT_EQ(chart.column_count, 1);
        EXPECT_EQ(chart.row_count, app.telemetry.store.Count(index));
        EXPECT_EQ(app.form.Frame5, Channel_Caption(info.index));
      } else if (group == kGroupFirst.end()) {
        EXPECT_EQ(chart.data_revision, before.data_revision);
        EXPECT_EQ(chart.data, before.data);
        EXPECT_EQ(app.form.Frame5, caption_before);
      } else {
        EXPECT_EQ(chart.column_count, group->second == 51 ? 3 : 2);
        EXPECT_EQ(chart.row_count, app.telemetry.store.Count(group->second));
        ASSERT_FALSE(chart.series.empty());
        EXPECT_EQ(chart.series[0].legend, Channel_Caption(group->second));
        EXPECT_EQ(app.form.Frame5, Channel_Caption(info.index));
      }
      EXPECT_EQ(app.form.Label2, "2026-11-28 09:14:00");  // the record is shown again
      EXPECT_EQ(app.form.Text1[index].back_colour, kBoxHighlight);
      EXPECT_TRUE(app.form.Option1[index].on);
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

    const ChartModel& chart = app.form.MSChart2;
    EXPECT_EQ(chart.chart_type, c[1]) << c[0];
    EXPECT_EQ(chart.series_type, c[2]) << c[0];
    EXPECT_EQ(chart.data_revision, drawn.data_revision);
    EXPECT_EQ(chart.data, drawn.data);
    EXPECT_EQ(chart.row_labels, drawn.row_labels);
    EXPECT_EQ(app.form.Frame5, "Magn Y- Axis");
  }
}

}  // namespace
}  // namespace orvelt

#include "charts/chart_routines.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace orvelt {
namespace {

// Sample i of channel c holds c * 1000 + i and is labelled i seconds past midnight (unless a
// label is given), so every cell and row label tells where it came from.
void Fill(AppState& app, int channel, int count, const char* label = nullptr) {
  for (int i = 1; i <= count; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "2026-11-28 %02d:%02d:%02d", i / 3600, i / 60 % 60, i % 60);
    app.telemetry.store.Append_Sample(channel, channel * 1000.0 + i, label ? label : text);
  }
}

// Up to 40 rows the chart spaces its ticks itself; above, every rows / 40th row, halves to even.
TEST(DrawValue, TickSpacing) {
  for (const auto& [rows, q] :
       {std::pair{0, 0}, {40, 0}, {41, 1}, {60, 2}, {100, 2}, {101, 3}, {140, 4}, {5000, 125}}) {
    AppState app;
    Fill(app, 28, rows);
    Draw_Value(app, 28);
    const ChartModel& chart = app.form.MSChart2;
    EXPECT_EQ(chart.category_auto, q == 0) << rows;
    if (q != 0) {
      EXPECT_EQ(chart.divisions_per_tick, q) << rows;
      EXPECT_EQ(chart.divisions_per_label, q) << rows;
    }
  }
}

// Labels too short for a time of day, or not UTF-8, are shown as far as they go; a channel
// outside the store changes nothing.
TEST(DrawValue, RowLabelsAndChannelsOutsideTheStore) {
  const char* cases[][2] = {{"2026-11-28 09:14:01", "09:14:01"},
                            {"2026-11-28 09:1", "09:1"},
                            {"", ""},
                            {"2026-11-28 09:14:\xB5", "09:14:\xC2\xB5"}};
  AppState app;
  for (const auto& c : cases) app.telemetry.store.Append_Sample(3, 1.0, c[0]);
  Draw_Value(app, 3);
  for (const int channel : {-1, 54, 32767}) Draw_Value(app, channel);
  EXPECT_EQ(app.form.Frame5, "Battery 0 Volt");
  ASSERT_EQ(app.form.MSChart2.row_labels.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(app.form.MSChart2.row_labels[i], cases[i][1]) << cases[i][0];
  }
}

// The first channel holds 45 samples, a second one fewer (missing rows are gaps) and a third more
// (cut at the first channel's count). The member clicked, the last, only names the frame.
TEST(SeriesChart, RowsAndLabelsComeFromTheFirstChannelWhateverWasClicked) {
  const std::pair<ChartRoutine, std::vector<int>> cases[] = {
      {&Draw_Value, {31}},       {&Draw_X_Chart, {16, 21}},   {&Draw_Y_Chart, {10, 13}},
      {&Draw_Z_Chart, {19, 27}}, {&Draw_BattV_Chart, {3, 8}}, {&Draw_Mag_Chart, {51, 52, 53}}};
  const int counts[] = {45, 30, 60};
  for (const auto& [routine, channels] : cases) {
    const int m = static_cast<int>(channels.size()), clicked = channels.back();
    SCOPED_TRACE(clicked);
    AppState app;
    for (int s = 0; s < m; ++s)
      Fill(app, channels[s], counts[s], s ? "1999-01-01 23:59:59" : nullptr);
    Draw_Mag_Chart(app, 51);  // three series on show before

    routine(app, clicked);

    const ChartModel& chart = app.form.MSChart2;
    ASSERT_EQ(chart.row_count, counts[0]);
    ASSERT_EQ(chart.series.size(), channels.size());
    ASSERT_EQ(chart.data.size(), static_cast<std::size_t>(counts[0] * m));
    for (int s = 0; s < m; ++s) {
      EXPECT_EQ(chart.series[s].legend, Channel_Caption(channels[s]));
      for (int row = 0; row < counts[0]; ++row) {
        const double cell = chart.Value(row, s), sample = channels[s] * 1000.0 + row + 1;
        ASSERT_TRUE(row < counts[s] ? cell == sample : std::isnan(cell)) << s << " " << row;
      }
    }
    EXPECT_TRUE(chart.title.ends_with(": 2026-11-28 00:00:01 to 00:00:45")) << chart.title;
    EXPECT_EQ(app.form.Frame5, Channel_Caption(clicked));
    // The group the history window charts is the one drawn here, in the same colours.
    const ChartGroup group = Chart_Group(clicked);
    ASSERT_EQ(group.channels.size(), routine == &Draw_Value ? 0 : channels.size());
    for (std::size_t s = 0; s < group.channels.size(); ++s) {
      EXPECT_EQ(group.channels[s], channels[s]);
      EXPECT_EQ(group.colours[s], chart.series[s].colour);
    }
  }
}

}  // namespace
}  // namespace orvelt

#include "charts/chart_routines.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace orvelt {
namespace {

std::string Time_Label(int sample) {
  char text[32];
  std::snprintf(text, sizeof text, "2026-11-28 %02d:%02d:%02d", (sample / 3600) % 24,
                (sample / 60) % 60, sample % 60);
  return text;
}

// Sample i of channel c holds c * 1000 + i, so every cell tells where it came from.
double Sample_Value(int channel, int sample) {
  return channel * 1000.0 + sample;
}

void Fill(AppState& app, int channel, int count, const std::string& label = {}) {
  for (int i = 1; i <= count; ++i) {
    app.telemetry.store.Append_Sample(channel, Sample_Value(channel, i),
                                      label.empty() ? Time_Label(i) : label);
  }
}

// A chart drawn again after the store was replaced or grew shows the store as it is now, with
// the same channels, colours and caption; without a chart nothing is drawn.
TEST(RedrawChart, ShowsTheStoreAsItIsNowWithTheSameSeries) {
  AppState app;
  Redraw_Chart(app);
  EXPECT_EQ(app.form.MSChart2.data_revision, 0u);
  Fill(app, 3, 5);
  Fill(app, 8, 5);
  Draw_BattV_Chart(app, 8);
  EXPECT_FALSE(Chart_Behind_Store(app));
  app.telemetry.store.Reset_Store();
  EXPECT_TRUE(Chart_Behind_Store(app));
  Fill(app, 3, 2);
  Redraw_Chart(app);
  const ChartModel& chart = app.form.MSChart2;
  EXPECT_EQ(chart.row_count, 2);
  EXPECT_EQ(chart.channels, (std::vector<int>{3, 8}));
  EXPECT_EQ(chart.series[1].colour, kMaroon);
  EXPECT_EQ(app.form.Frame5, "Battery 1 Volt");
  EXPECT_EQ(chart.Value(1, 0), Sample_Value(3, 2));
  EXPECT_FALSE(Chart_Behind_Store(app));
}

// Drawn over a three-series chart of 50 rows, of which nothing may remain.
TEST(DrawValue, SpacesTicksItselfUpToFortyRowsThenEveryRoundedFortiethRow) {
  struct Case {
    int rows;
    int q;  // rows per tick and per label; 0 when the chart spaces them itself
  };
  // Halves round to the even neighbour: 60 and 100 give 2, 140 gives 4.
  for (const Case c :
       {Case{0, 0}, {1, 0}, {40, 0}, {41, 1}, {60, 2}, {100, 2}, {101, 3}, {140, 4}, {5000, 125}}) {
    SCOPED_TRACE(c.rows);
    AppState app;
    for (const int channel : {51, 52, 53}) Fill(app, channel, 50);
    Draw_Mag_Chart(app, 53);
    app.form.MSChart2.divisions_per_tick = app.form.MSChart2.divisions_per_label = 7;
    Fill(app, 28, c.rows);

    Draw_Value(app, 28);

    const ChartModel& chart = app.form.MSChart2;
    EXPECT_EQ(chart.row_count, c.rows);
    EXPECT_EQ(chart.category_auto, c.q == 0);
    if (c.q != 0) {
      EXPECT_EQ(chart.divisions_per_tick, c.q);
      EXPECT_EQ(chart.divisions_per_label, c.q);
    }
    EXPECT_EQ(chart.column_count, 1);
    ASSERT_EQ(chart.series.size(), 1u);
    EXPECT_EQ(chart.series[0].legend, "Pow Supply Curr");
    EXPECT_EQ(chart.data.size(), static_cast<std::size_t>(c.rows));
    EXPECT_EQ(chart.row_labels.size(), static_cast<std::size_t>(c.rows));
    EXPECT_EQ(app.form.Frame5, "Pow Supply Curr");
  }
}

TEST(DrawValue, RowLabelIsTheTimeOfDayOfTheStoredLabel) {
  const std::vector<std::array<std::string, 2>> cases = {
      {"2026-11-28 09:14:01", "09:14:01"},
      {"2026-11-28 09:1", "09:1"},
      {"2026-11-28", ""},
      {"", ""},                                     // sample stored before any time label
      {"2026-11-28 09:14:\xB5", "09:14:\xC2\xB5"},  // stored byte by byte, shown as UTF-8
  };
  AppState app;
  for (const auto& c : cases) app.telemetry.store.Append_Sample(3, 1.0, c[0]);

  Draw_Value(app, 3);

  ASSERT_EQ(app.form.MSChart2.row_labels.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(app.form.MSChart2.row_labels[i], cases[i][1]) << '"' << cases[i][0] << '"';
  }
}

TEST(DrawValue, ChannelOutsideTheStoreChangesNothing) {
  for (const int channel : {-1, 54, 32767}) {
    AppState app;
    Fill(app, 3, 5);
    Draw_Value(app, 3);
    const ChartModel before = app.form.MSChart2;

    Draw_Value(app, channel);

    EXPECT_EQ(app.form.MSChart2.data_revision, before.data_revision) << channel;
    EXPECT_EQ(app.form.MSChart2.data, before.data) << channel;
    EXPECT_EQ(app.form.Frame5, "Battery 0 Volt") << channel;
  }
}

// The first channel holds 45 samples, a second one fewer (missing rows are gaps) and a third more
// (cut at the first channel's count). Whichever member was clicked only names the frame.
TEST(SeriesChart, RowsAndLabelsComeFromTheFirstChannelWhateverWasClicked) {
  struct Case {
    ChartRoutine routine;
    std::vector<int> channels;
  };
  const std::array<int, 3> counts = {45, 30, 60};
  for (const Case& c : {Case{&Draw_Value, {31}},
                        {&Draw_X_Chart, {16, 21}},
                        {&Draw_Y_Chart, {10, 13}},
                        {&Draw_Z_Chart, {19, 27}},
                        {&Draw_BattV_Chart, {3, 8}},
                        {&Draw_Mag_Chart, {51, 52, 53}}}) {
    const int m = static_cast<int>(c.channels.size());
    for (const int clicked : c.channels) {
      SCOPED_TRACE("clicked " + std::to_string(clicked));
      AppState app;
      for (int s = 0; s < m; ++s) {
        Fill(app, c.channels[s], counts[s], s == 0 ? "" : "1999-01-01 23:59:59");
      }
      Draw_Mag_Chart(app, 51);  // three series on show before

      c.routine(app, clicked);

      const ChartModel& chart = app.form.MSChart2;
      ASSERT_EQ(chart.row_count, counts[0]);
      ASSERT_EQ(chart.column_count, m);
      ASSERT_EQ(chart.series.size(), c.channels.size());
      ASSERT_EQ(chart.data.size(), static_cast<std::size_t>(counts[0] * m));
      for (int s = 0; s < m; ++s) {
        EXPECT_EQ(chart.series[s].legend, Channel_Caption(c.channels[s]));
        for (int row = 0; row < counts[0]; ++row) {
          const double cell = chart.Value(row, s);
          if (row < counts[s]) {
            ASSERT_EQ(cell, Sample_Value(c.channels[s], row + 1)) << "series " << s + 1;
          } else {
            ASSERT_TRUE(std::isnan(cell)) << "series " << s + 1 << " row " << row + 1;
          }
        }
      }
      EXPECT_EQ(chart.row_labels.front(), "00:00:01");
      EXPECT_EQ(chart.row_labels.back(), "00:00:45");
      EXPECT_TRUE(chart.title.ends_with(": 2026-11-28 00:00:01 to 00:00:45")) << chart.title;
      EXPECT_TRUE(chart.title.starts_with(std::string(Channel_Caption(c.channels[0])) +
                                          (m > 1 ? ", " : ":")))
          << chart.title;
      EXPECT_TRUE(chart.legend_bottom_left);
      EXPECT_EQ(app.form.Frame5, Channel_Caption(clicked));
      // The group the history window charts is the one drawn here, in the same colours.
      const ChartGroup group = Chart_Group(clicked);
      ASSERT_EQ(group.channels.size(), c.routine == &Draw_Value ? 0 : c.channels.size());
      for (std::size_t s = 0; s < group.channels.size(); ++s) {
        EXPECT_EQ(group.channels[s], c.channels[s]);
        EXPECT_EQ(group.colours[s], chart.series[s].colour);
      }
    }
  }
}

// A saved chart names its channels and the span of its rows; the day once when it is one day.
TEST(ChartTitle, NamesTheSeriesAndTheTimeSpan) {
  ChartModel chart;
  chart.series = {{"Battery 0 Volt", {}}, {"Battery 1 Volt", {}}};
  const struct {
    const char* first;
    const char* last;
    const char* title;
  } cases[] = {
      {"2026-11-28 09:14:00", "2026-11-28 09:29:59",
       "Battery 0 Volt, Battery 1 Volt: 2026-11-28 09:14:00 to 09:29:59"},
      {"2026-11-28 23:59:00", "2026-11-29 00:01:00",
       "Battery 0 Volt, Battery 1 Volt: 2026-11-28 23:59:00 to 2026-11-29 00:01:00"},
      {"2026-11-28 09:14:00", "2026-11-28 09:14:00",
       "Battery 0 Volt, Battery 1 Volt: 2026-11-28 09:14:00"},
      {"", "", "Battery 0 Volt, Battery 1 Volt"},
      {"pass \xE9", "2026", "Battery 0 Volt, Battery 1 Volt: pass \xC3\xA9 to 2026"},
  };
  for (const auto& c : cases) EXPECT_EQ(Chart_Title(chart, c.first, c.last), c.title);
}

}  // namespace
}  // namespace orvelt

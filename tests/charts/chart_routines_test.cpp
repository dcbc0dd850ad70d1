#include "charts/chart_routines.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <ostream>
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

void Fill(AppState& app, int channel, int count) {
  for (int i = 1; i <= count; ++i) {
    ASSERT_TRUE(
        app.telemetry.store.Append_Sample(channel, Sample_Value(channel, i), Time_Label(i)));
  }
}

// ---------------------------------------------------------------------------------------------

struct SpacingCase {
  int rows;
  bool automatic;
  int q;  // rows per tick and per label when not automatic
};

void PrintTo(const SpacingCase& c, std::ostream* os) {
  *os << c.rows << " rows";
}

class DrawValueSpacing : public testing::TestWithParam<SpacingCase> {};

TEST_P(DrawValueSpacing, AutomaticUpToFortyRowsThenEveryQRows) {
  const SpacingCase& c = GetParam();
  AppState app;
  Fill(app, 28, c.rows);
  // A previous chart with other divisions must not leak into this one.
  app.form.MSChart2.divisions_per_tick = 7;
  app.form.MSChart2.divisions_per_label = 7;

  Draw_Value(app, 28);

  const ChartModel& chart = app.form.MSChart2;
  EXPECT_EQ(chart.row_count, c.rows);
  EXPECT_EQ(chart.category_auto, c.automatic);
  if (!c.automatic) {
    EXPECT_EQ(chart.divisions_per_tick, c.q);
    EXPECT_EQ(chart.divisions_per_label, c.q);
  }
  ASSERT_EQ(chart.data.size(), static_cast<std::size_t>(c.rows));
  EXPECT_EQ(chart.Value(0, 0), Sample_Value(28, 1));
  EXPECT_EQ(chart.Value(c.rows - 1, 0), Sample_Value(28, c.rows));
  ASSERT_EQ(chart.row_labels.size(), static_cast<std::size_t>(c.rows));
  EXPECT_EQ(chart.row_labels.back(), Time_Label(c.rows).substr(11));
}

INSTANTIATE_TEST_SUITE_P(Rows, DrawValueSpacing,
                         testing::Values(SpacingCase{1, true, 0}, SpacingCase{40, true, 0},
                                         SpacingCase{41, false, 1}, SpacingCase{59, false, 1},
                                         SpacingCase{60, false, 2}, SpacingCase{99, false, 2},
                                         SpacingCase{100, false, 2}, SpacingCase{101, false, 3},
                                         SpacingCase{140, false, 4}, SpacingCase{180, false, 4},
                                         SpacingCase{219, false, 5}, SpacingCase{220, false, 6},
                                         SpacingCase{260, false, 6}, SpacingCase{4980, false, 124},
                                         SpacingCase{5000, false, 125}));

// ---------------------------------------------------------------------------------------------

TEST(DrawValue, RowLabelIsTheTimeOfDayOfTheStoredLabel) {
  struct Case {
    std::string stored;
    std::string label;  // UTF-8
  };
  const std::vector<Case> cases = {
      {"2026-11-28 09:14:01", "09:14:01"},          // 19 characters: the time of day
      {"2026-11-28 09:1", "09:1"},                  // 15 characters: characters 12 to 15
      {"2026-11-28", ""},                           // 10 characters: nothing from character 12 on
      {"2026-11-28 ", ""},                          // 11 characters
      {"2026-11-28 X", "X"},                        // 12 characters
      {"", ""},                                     // sample stored before any time label
      {"2026-11-28 09:14:\xB5", "09:14:\xC2\xB5"},  // stored byte by byte, shown as UTF-8
  };
  AppState app;
  for (const Case& c : cases) app.telemetry.store.Append_Sample(3, 1.0, c.stored);

  Draw_Value(app, 3);

  const ChartModel& chart = app.form.MSChart2;
  ASSERT_EQ(chart.row_labels.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(chart.row_labels[i], cases[i].label) << '"' << cases[i].stored << '"';
  }
}

TEST(DrawValue, SingleSeriesInSteelBlueNamedAfterTheSelector) {
  AppState app;
  Fill(app, 31, 3);

  Draw_Value(app, 31);

  const ChartModel& chart = app.form.MSChart2;
  EXPECT_EQ(chart.column_count, 1);
  ASSERT_EQ(chart.series.size(), 1u);
  EXPECT_EQ(chart.series[0].legend, "Warp Walve Curr");
  EXPECT_EQ(chart.series[0].colour, (Rgb{70, 130, 180}));
  EXPECT_TRUE(chart.legend_bottom_left);
  EXPECT_EQ(app.form.Frame5, "Warp Walve Curr");
  EXPECT_EQ(chart.ChartGrid.rows, 3);
  EXPECT_EQ(chart.ChartGrid.columns, 1);
  EXPECT_EQ(chart.ChartGrid(2, 1), Sample_Value(31, 2));
}

TEST(DrawValue, ChannelOutsideTheStoreChangesNothing) {
  for (const int channel : {-1, 54, 58, 65, 32767}) {
    AppState app;
    Fill(app, 3, 5);
    Draw_Value(app, 3);
    const ChartModel before = app.form.MSChart2;

    Draw_Value(app, channel);

    const ChartModel& after = app.form.MSChart2;
    EXPECT_EQ(after.data_revision, before.data_revision) << channel;
    EXPECT_EQ(after.row_count, before.row_count) << channel;
    EXPECT_EQ(after.data, before.data) << channel;
    EXPECT_EQ(app.form.Frame5, "Battery 0 Volt") << channel;
  }
}

TEST(DrawValue, EmptyChannelGivesAnEmptyChartAndSetsTheCaption) {
  AppState app;
  Fill(app, 51, 60);
  Draw_Mag_Chart(app, 51);

  Draw_Value(app, 45);

  const ChartModel& chart = app.form.MSChart2;
  EXPECT_EQ(chart.row_count, 0);
  EXPECT_EQ(chart.column_count, 1);
  EXPECT_TRUE(chart.data.empty());
  EXPECT_TRUE(chart.row_labels.empty());
  EXPECT_TRUE(chart.category_auto);
  ASSERT_EQ(chart.series.size(), 1u);
  EXPECT_EQ(chart.series[0].legend, "React Wheels Volt");
  EXPECT_EQ(chart.ChartGrid.rows, 0);
  EXPECT_EQ(app.form.Frame5, "React Wheels Volt");
}

TEST(DrawValue, ChannelWithoutSelectorStopsBeforeTheCaption) {
  AppState app;
  Fill(app, 28, 2);
  Draw_Value(app, 28);
  Fill(app, 1, 4);  // index 1 has a series but no selector in the window

  Draw_Value(app, 1);

  const ChartModel& chart = app.form.MSChart2;
  EXPECT_EQ(chart.row_count, 4);
  EXPECT_EQ(chart.data.size(), 4u);  // the chart stays consistent with its row count
  EXPECT_EQ(chart.row_labels.size(), 4u);
  EXPECT_EQ(app.form.Frame5, "Pow Supply Curr");
}

TEST(DrawValue, EveryDrawingBumpsTheRevision) {
  AppState app;
  Fill(app, 3, 2);
  const auto start = app.form.MSChart2.data_revision;
  Draw_Value(app, 3);
  Draw_Value(app, 3);
  Draw_Value(app, 46);  // empty
  EXPECT_EQ(app.form.MSChart2.data_revision, start + 3);
}

TEST(DrawValue, OneSeriesAfterThreeLeavesNothingOfTheOthers) {
  AppState app;
  Fill(app, 51, 50);
  Fill(app, 52, 50);
  Fill(app, 53, 50);
  Fill(app, 29, 10);
  Draw_Mag_Chart(app, 53);
  ASSERT_EQ(app.form.MSChart2.series.size(), 3u);

  Draw_Value(app, 29);

  const ChartModel& chart = app.form.MSChart2;
  EXPECT_EQ(chart.column_count, 1);
  ASSERT_EQ(chart.series.size(), 1u);
  EXPECT_EQ(chart.series[0].legend, "PPT 1+2 Curr");
  EXPECT_EQ(chart.data.size(), 10u);
  EXPECT_EQ(chart.row_labels.size(), 10u);
  EXPECT_EQ(chart.ChartGrid.columns, 1);
  EXPECT_EQ(chart.ChartGrid.cells.size(), 10u);
  EXPECT_TRUE(chart.category_auto);
}

// ---------------------------------------------------------------------------------------------

struct GroupCase {
  const char* name;
  ChartRoutine routine;
  std::vector<int> channels;  // first gives rows and labels
  std::vector<Rgb> colours;
};

void PrintTo(const GroupCase& c, std::ostream* os) {
  *os << c.name;
}

const Rgb kBlue{70, 130, 180};
const Rgb kGreen{34, 139, 34};
const Rgb kRed{176, 48, 96};

class GroupChart : public testing::TestWithParam<GroupCase> {};

// The first channel holds 45 samples; the others hold fewer (rows beyond read 0) and more
// (samples beyond the first channel's count are not shown). Every member may be clicked.
TEST_P(GroupChart, RowsAndLabelsComeFromTheFirstChannelWhateverWasClicked) {
  const GroupCase& c = GetParam();
  constexpr int kFirstCount = 45;
  const std::array<int, 3> counts = {kFirstCount, 30, 60};
  for (const int clicked : c.channels) {
    AppState app;
    // Labels of the other members differ from the first channel's.
    for (std::size_t s = 0; s < c.channels.size(); ++s) {
      for (int i = 1; i <= counts[s]; ++i) {
        app.telemetry.store.Append_Sample(c.channels[s], Sample_Value(c.channels[s], i),
                                          s == 0 ? Time_Label(i) : "1999-01-01 23:59:59");
      }
    }

    c.routine(app, clicked);

    const ChartModel& chart = app.form.MSChart2;
    SCOPED_TRACE("clicked " + std::to_string(clicked));
    const int m = static_cast<int>(c.channels.size());
    ASSERT_EQ(chart.row_count, kFirstCount);
    ASSERT_EQ(chart.column_count, m);
    ASSERT_EQ(chart.series.size(), c.channels.size());
    for (int s = 0; s < m; ++s) {
      const int channel = c.channels[static_cast<std::size_t>(s)];
      EXPECT_EQ(chart.series[static_cast<std::size_t>(s)].legend, Channel_Caption(channel));
      EXPECT_EQ(chart.series[static_cast<std::size_t>(s)].colour,
                c.colours[static_cast<std::size_t>(s)]);
      for (int row = 0; row < kFirstCount; ++row) {
        const double expected =
            row < counts[static_cast<std::size_t>(s)] ? Sample_Value(channel, row + 1) : 0.0;
        ASSERT_EQ(chart.Value(row, s), expected) << "series " << s + 1 << " row " << row + 1;
      }
    }
    EXPECT_EQ(chart.row_labels.front(), "00:00:01");
    EXPECT_EQ(chart.row_labels.back(), Time_Label(kFirstCount).substr(11));
    EXPECT_FALSE(chart.category_auto);  // 45 rows: one tick and one label per row
    EXPECT_EQ(chart.divisions_per_tick, 1);
    EXPECT_EQ(app.form.Frame5, Channel_Caption(clicked));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Routines, GroupChart,
    testing::Values(GroupCase{"X", &Draw_X_Chart, {16, 21}, {kBlue, kGreen}},
                    GroupCase{"Y", &Draw_Y_Chart, {10, 13}, {kBlue, kGreen}},
                    GroupCase{"Z", &Draw_Z_Chart, {19, 27}, {kBlue, kGreen}},
                    GroupCase{"BattV", &Draw_BattV_Chart, {3, 8}, {kBlue, kRed}},
                    GroupCase{"Mag", &Draw_Mag_Chart, {51, 52, 53}, {kBlue, kGreen, kRed}}),
    [](const testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.name); });

TEST(GroupChart, SecondChannelLongerThanAnEmptyFirstGivesAnEmptyChart) {
  AppState app;
  Fill(app, 21, 12);

  Draw_X_Chart(app, 21);

  const ChartModel& chart = app.form.MSChart2;
  EXPECT_EQ(chart.row_count, 0);
  EXPECT_EQ(chart.column_count, 2);
  EXPECT_TRUE(chart.data.empty());
  EXPECT_EQ(app.form.Frame5, "Array X+ Curr");
}

TEST(GroupChart, TwoSeriesAfterTheMagnetometerChartHasTwoLegendEntries) {
  AppState app;
  Fill(app, 51, 5);
  Fill(app, 10, 5);
  Draw_Mag_Chart(app, 52);

  Draw_Y_Chart(app, 13);

  const ChartModel& chart = app.form.MSChart2;
  ASSERT_EQ(chart.series.size(), 2u);
  EXPECT_EQ(chart.series[0].legend, "Array Y+ Curr");
  EXPECT_EQ(chart.series[1].legend, "Array Y- Curr");
  EXPECT_EQ(chart.data.size(), 10u);
  EXPECT_EQ(chart.ChartGrid.columns, 2);
}

}  // namespace
}  // namespace orvelt

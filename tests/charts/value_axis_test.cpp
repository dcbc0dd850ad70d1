#include "charts/value_axis.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

// Gaps are no samples: left out of the figures, and a series of gaps only says so.
TEST(ValueAxis, StatsLineGivesMinMaxMeanPerSeries) {
  ChartModel chart;
  chart.row_count = 4;
  chart.column_count = 2;
  chart.series = {{"Battery 0 Volt", {}}, {"Battery 1 Volt", {}}};
  chart.data = {3.5, 4.0, kNoSample, 4.0, 3.7, 4.0, 3.8, 4.0};
  chart.value_axis = Value_Axis_Of(3);
  EXPECT_EQ(Stats_Line(chart, ","),
            "Battery 0 Volt: min 3,50 V, max 3,80 V, mean 3,67 V   "
            "Battery 1 Volt: min 4,00 V, max 4,00 V, mean 4,00 V");
  chart.data = {kNoSample, 1, kNoSample, 1, kNoSample, 1, kNoSample, 1};
  EXPECT_EQ(Stats_Line(chart, "."),
            "Battery 0 Volt: no samples   Battery 1 Volt: min 1.00 V, max 1.00 V, mean 1.00 V");
  chart.row_count = 0;
  EXPECT_EQ(Stats_Line(chart, "."), "");
}

}  // namespace
}  // namespace orvelt

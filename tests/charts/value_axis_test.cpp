#include "charts/value_axis.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

TEST(ValueAxis, DecimalsTellTheTicksApart) {
  const ValueAxis volts = Value_Axis_Of(3);
  const struct {
    double low, high;
    int decimals;
  } cases[] = {{3.5, 4.2, 1},     {3.9, 3.95, 2}, {0, 500, 0}, {-20, 20, 0},
               {0.001, 0.002, 4}, {5, 5, 2},      {0, 0, 2},   {0, 1e-12, 6}};
  for (const auto& c : cases) {
    EXPECT_EQ(Value_Decimals(volts, c.low, c.high), c.decimals) << c.low << ".." << c.high;
  }
  EXPECT_EQ(Value_Decimals(Value_Axis_Of(47), 0, 1), 0);
}

TEST(ValueAxis, StatsLineGivesMinMaxMeanPerSeries) {
  ChartModel chart;
  chart.row_count = 4;
  chart.column_count = 2;
  chart.series = {{"Battery 0 Volt", {}}, {"Battery 1 Volt", {}}};
  chart.data = {3.5, 4.0, 4.0, 4.0, 3.7, 4.0, 3.8, 4.0};
  chart.value_axis = Value_Axis_Of(3);
  EXPECT_EQ(Stats_Line(chart, ","),
            "Battery 0 Volt: min 3,50 V, max 4,00 V, mean 3,75 V   "
            "Battery 1 Volt: min 4,00 V, max 4,00 V, mean 4,00 V");
  // Gaps are no samples: left out of the figures, and a series of gaps only says so.
  chart.data = {3.5, kNoSample, kNoSample, kNoSample, 3.7, kNoSample, 3.8, kNoSample};
  EXPECT_EQ(Stats_Line(chart, "."),
            "Battery 0 Volt: min 3.50 V, max 3.80 V, mean 3.67 V   Battery 1 Volt: no samples");
  chart.row_count = 0;
  EXPECT_EQ(Stats_Line(chart, "."), "");
}

}  // namespace
}  // namespace orvelt

#pragma once

#include <optional>
#include <string>

#include "form/chart_model.hpp"

namespace orvelt {

// How a channel's values read on a value axis: the time channel as dates and times, the
// counters as whole numbers, every other channel as numbers in its unit.
ValueAxis Value_Axis_Of(int channel);

// Decimals that tell the ticks of a value axis spanning low..high apart (about five ticks),
// 0 for whole-number axes and never more than 6.
int Value_Decimals(const ValueAxis& axis, double low, double high);

struct SeriesStats {
  double min = 0;
  double max = 0;
  double mean = 0;
};

// Minimum, maximum and mean of the samples of one column of the chart (gaps left out); nothing
// for a column without samples.
std::optional<SeriesStats> Series_Stats(const ChartModel& chart, int column);

// A value as the chart's axis reads it: a date and time for the time channel, otherwise the
// number with `decimals` decimals and the unit.
std::string Axis_Value_Text(const ValueAxis& axis, double v, int decimals,
                            const std::string& decimal_separator);

// The line under the chart: per series "caption: min ..., max ..., mean ..." in the axis's form
// ("caption: no samples" for a series that has none), series separated by "   ". Empty for a
// chart without rows.
std::string Stats_Line(const ChartModel& chart, const std::string& decimal_separator);

}  // namespace orvelt

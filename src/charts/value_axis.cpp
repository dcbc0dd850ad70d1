#include "charts/value_axis.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "decode/channels.hpp"
#include "decode/downlink.hpp"
#include "decode/time_label.hpp"

namespace orvelt {

namespace {

constexpr int kTimeChannel = kCounterChannels[0];
constexpr int kMaxDecimals = 6;
constexpr double kTicksPerAxis = 5;
// Seconds of 10000-01-01: later dates do not fit a time label.
constexpr double kLastDateSeconds = static_cast<double>(kYear10000Ms / 1000);

}  // namespace

ValueAxis Value_Axis_Of(int channel) {
  if (channel == kTimeChannel) return {ValueAxisKind::SecondsSince1970, {}, true};
  const bool counter = std::find(kCounterChannels.begin(), kCounterChannels.end(), channel) !=
                       kCounterChannels.end();
  return {ValueAxisKind::Number, std::string(Channel_Unit(channel)), counter};
}

int Value_Decimals(const ValueAxis& axis, double low, double high) {
  if (axis.whole_numbers || axis.kind == ValueAxisKind::SecondsSince1970) return 0;
  const double span = std::fabs(high - low);
  const double magnitude = std::max(std::fabs(low), std::fabs(high));
  // A flat series still shows its value to two decimals.
  const double step = span > 0 ? span / kTicksPerAxis : (magnitude > 0 ? magnitude / 100 : 0.01);
  if (!std::isfinite(step) || step <= 0) return 2;
  return std::clamp(static_cast<int>(-std::floor(std::log10(step))), 0, kMaxDecimals);
}

std::optional<SeriesStats> Series_Stats(const ChartModel& chart, int column) {
  if (chart.row_count <= 0 || column < 0 || column >= chart.column_count) return std::nullopt;
  SeriesStats stats{std::numeric_limits<double>::infinity(),
                    -std::numeric_limits<double>::infinity(), 0};
  double sum = 0;
  int samples = 0;
  for (int row = 0; row < chart.row_count; ++row) {
    const double v = chart.Value(row, column);
    if (std::isnan(v)) continue;  // a gap
    stats.min = std::min(stats.min, v);
    stats.max = std::max(stats.max, v);
    sum += v;
    ++samples;
  }
  if (samples == 0) return std::nullopt;
  stats.mean = sum / samples;
  return stats;
}

std::string Axis_Value_Text(const ValueAxis& axis, double v, int decimals,
                            const std::string& decimal_separator) {
  if (axis.kind == ValueAxisKind::SecondsSince1970 && std::isfinite(v) && v >= 0 &&
      v < kLastDateSeconds) {
    return Format_Time_Label(static_cast<std::int64_t>(std::llround(v)));
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  std::string out = text;
  if (const auto dot = out.find('.'); dot != std::string::npos) {
    out.replace(dot, 1, decimal_separator);
  }
  if (!axis.unit.empty()) out += ' ' + axis.unit;
  return out;
}

std::string Stats_Line(const ChartModel& chart, const std::string& decimal_separator) {
  std::string line;
  if (chart.row_count <= 0) return line;
  for (int s = 0; s < chart.column_count && s < static_cast<int>(chart.series.size()); ++s) {
    if (!line.empty()) line += "   ";
    const std::string& legend = chart.series[static_cast<std::size_t>(s)].legend;
    const auto stats = Series_Stats(chart, s);
    if (!stats) {
      line += legend + ": no samples";
      continue;
    }
    const ValueAxis& axis = chart.value_axis;
    // The mean of whole numbers is not a whole number: it gets two decimals.
    const int decimals = std::max(2, Value_Decimals(axis, stats->min, stats->max));
    const int extreme_decimals = axis.whole_numbers ? 0 : decimals;
    line += legend + ": min " +
            Axis_Value_Text(axis, stats->min, extreme_decimals, decimal_separator) + ", max " +
            Axis_Value_Text(axis, stats->max, extreme_decimals, decimal_separator) + ", mean " +
            Axis_Value_Text(axis, stats->mean, decimals, decimal_separator);
  }
  return line;
}

}  // namespace orvelt

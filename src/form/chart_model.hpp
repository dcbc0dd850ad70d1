#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace orvelt {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

// Chart types as the chart settings name them: 2-D bars or 2-D lines.
inline constexpr int kChartTypeBar = 1;
inline constexpr int kSeriesTypeBar = 1;
inline constexpr int kChartTypeLine = 3;
inline constexpr int kSeriesTypeLine = 6;

// A cell of a row where its series' channel has no sample: drawn as a gap.
inline constexpr double kNoSample = std::numeric_limits<double>::quiet_NaN();

struct ChartSeries {
  std::string legend;  // UTF-8
  Rgb colour;
};

// How the value axis reads: plain numbers with a unit, or seconds since 1970 shown as dates.
enum class ValueAxisKind : std::uint8_t { Number, SecondsSince1970 };

struct ValueAxis {
  ValueAxisKind kind = ValueAxisKind::Number;
  std::string unit;  // UTF-8, empty where the channel has none
  bool whole_numbers = false;
};

// What the chart area shows, as plain data: the front-end only draws it. The chart routines
// keep it consistent after every step: `data` holds row_count x column_count cells,
// `row_labels` one text per row and `series` one entry per column.
struct ChartModel {
  int row_count = 0;
  int column_count = 0;
  // The channels the chart was drawn from, one per series, and the one its caption names:
  // empty before the first chart.
  std::vector<int> channels;
  int caption_channel = -1;
  std::vector<ChartSeries> series;
  std::vector<double> data;  // row_count x column_count, row-major; kNoSample for a gap
  std::vector<std::string> row_labels;
  // What a saved picture of the chart is titled: the series' channels and the time span of its
  // rows, e.g. "Battery 0 Volt, Battery 1 Volt: 2026-11-28 09:14:00 to 09:29:59".
  std::string title;
  bool legend_bottom_left = false;
  bool category_auto = true;
  int divisions_per_tick = 1;
  int divisions_per_label = 1;
  int chart_type = kChartTypeLine;
  int series_type = kSeriesTypeLine;
  // Bumped whenever the data change, so that a view rebuilds only then.
  std::uint64_t data_revision = 0;

  ValueAxis value_axis;

  double Value(int row, int column) const {
    return data[static_cast<std::size_t>(row * column_count + column)];
  }
};

}  // namespace orvelt

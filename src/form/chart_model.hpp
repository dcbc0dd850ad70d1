#pragma once

#include <cstddef>
#include <cstdint>
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
  std::vector<double> data;  // row_count x column_count, row-major
  std::vector<std::string> row_labels;
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

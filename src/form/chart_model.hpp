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

// The data grid the chart routines fill before handing it to the chart: rows 1..rows by
// columns 1..columns, every cell a double. Each drawing re-dimensions it, discarding the old
// contents; it then stays as it is until the next drawing.
struct DataGrid {
  int rows = 0;
  int columns = 0;
  std::vector<double> cells;  // row-major

  void Redim(int new_rows, int new_columns) {
    rows = new_rows;
    columns = new_columns;
    cells.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), 0.0);
  }
  double& operator()(int row, int column) { return cells[Offset(row, column)]; }
  double operator()(int row, int column) const { return cells[Offset(row, column)]; }

 private:
  std::size_t Offset(int row, int column) const {
    return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(columns) +
           static_cast<std::size_t>(column - 1);
  }
};

// What the chart area shows, as plain data: the front-end only draws it. The chart routines
// keep it consistent after every step: `data` holds row_count x column_count cells,
// `row_labels` one text per row and `series` one entry per column.
struct ChartModel {
  int row_count = 0;
  int column_count = 0;
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

  // The grid of the last drawing. The chart holds its own copy in `data`; nothing draws from
  // this one.
  DataGrid ChartGrid;

  double Value(int row, int column) const {
    return data[static_cast<std::size_t>(row * column_count + column)];
  }
};

}  // namespace orvelt

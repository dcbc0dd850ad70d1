#include "charts/chart_routines.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "charts/value_axis.hpp"
#include "decode/latin1.hpp"

namespace orvelt {

namespace {

// Where the time of day starts in "YYYY-MM-DD HH:MM:SS" (character 12, counted from 1).
constexpr std::size_t kTimeOfDayOffset = 11;
constexpr std::size_t kTimeOfDayLength = 8;

// Sets the chart's row and series counts; the chart keeps its data, labels and series
// consistent with them.
void Set_Chart_Size(ChartModel& chart, int rows, int columns) {
  chart.row_count = rows;
  chart.column_count = columns;
  chart.data.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
  chart.row_labels.resize(static_cast<std::size_t>(rows));
  chart.series.resize(static_cast<std::size_t>(columns));
  ++chart.data_revision;
}

constexpr std::array kBattVChannels{3, 8};
constexpr std::array kYChannels{10, 13};
constexpr std::array kXChannels{16, 21};
constexpr std::array kZChannels{19, 27};
constexpr std::array kMagChannels{51, 52, 53};
constexpr std::array kPairColours{kSteelBlue, kForestGreen};
constexpr std::array kBattVColours{kSteelBlue, kMaroon};
constexpr std::array kMagColours{kSteelBlue, kForestGreen, kMaroon};

struct GroupChart {
  ChartGroup group;
  ChartRoutine routine;
};

// Every channel that belongs to a group chart; the other channels have none. The history
// window charts the same groups.
const std::array<GroupChart, 5> kGroupCharts{{
    {{kBattVChannels, kBattVColours}, &Draw_BattV_Chart},
    {{kYChannels, kPairColours}, &Draw_Y_Chart},
    {{kXChannels, kPairColours}, &Draw_X_Chart},
    {{kZChannels, kPairColours}, &Draw_Z_Chart},
    {{kMagChannels, kMagColours}, &Draw_Mag_Chart},
}};

const GroupChart* Group_Of(int channel) {
  for (const GroupChart& chart : kGroupCharts) {
    for (const int member : chart.group.channels) {
      if (member == channel) return &chart;
    }
  }
  return nullptr;
}

// Rows per tick mark and per label above kAutoSpacingMaxRows rows: rows / 40 rounded to the
// nearest whole number, halves to the even neighbour (60 gives 2, 100 gives 2, 140 gives 4).
int Rows_Per_Division(int rows) {
  const int whole = rows / kAutoSpacingMaxRows;
  const int twice_rest = 2 * (rows % kAutoSpacingMaxRows);
  if (twice_rest > kAutoSpacingMaxRows) return whole + 1;
  if (twice_rest == kAutoSpacingMaxRows) return whole + whole % 2;
  return whole;
}

// The row label of a sample: the 8 characters from character 12 of its time label (the time
// of day of "YYYY-MM-DD HH:MM:SS"), as UTF-8. Shorter labels give what they have from there.
std::string Row_Label(std::string_view time_label) {
  if (time_label.size() <= kTimeOfDayOffset) return {};
  return Latin1_To_Utf8(time_label.substr(kTimeOfDayOffset, kTimeOfDayLength));
}

}  // namespace

std::string Chart_Title(const ChartModel& chart, std::string_view first_label,
                        std::string_view last_label) {
  std::string title;
  for (const ChartSeries& s : chart.series) {
    if (!title.empty()) title += ", ";
    title += s.legend;
  }
  if (first_label.empty() && last_label.empty()) return title;
  title += ": " + Latin1_To_Utf8(first_label);
  if (last_label == first_label) return title;
  // A span within one day names the day once.
  const bool same_day = first_label.size() > kTimeOfDayOffset &&
                        first_label.substr(0, kTimeOfDayOffset) ==
                            last_label.substr(0, std::min(last_label.size(), kTimeOfDayOffset));
  title += " to " + Latin1_To_Utf8(same_day ? last_label.substr(kTimeOfDayOffset) : last_label);
  return title;
}

void Draw_Series_Chart(AppState& app, std::span<const int> channels, std::span<const Rgb> colours,
                       int caption_channel) {
  if (channels.empty() || channels.size() > kMaxChartSeries || colours.size() != channels.size()) {
    throw std::invalid_argument("Draw_Series_Chart: 1 to 3 channels, one colour each");
  }
  const int first = channels[0];
  if (first < 0 || first >= kChannelCount) return;

  const TelemetryStore& store = app.telemetry.store;
  FormModel& form = app.form;
  ChartModel& chart = form.MSChart2;
  const int series_count = static_cast<int>(channels.size());

  Set_Chart_Size(chart, store.Count(first), series_count);
  chart.channels.assign(channels.begin(), channels.end());
  chart.caption_channel = caption_channel;
  chart.legend_bottom_left = true;

  const int rows = chart.row_count;
  if (rows > kAutoSpacingMaxRows) {
    chart.category_auto = false;
    const int q = Rows_Per_Division(rows);
    chart.divisions_per_tick = q;
    chart.divisions_per_label = q;
  } else {
    chart.category_auto = true;
  }

  for (std::size_t s = 0; s < channels.size(); ++s) chart.series[s].colour = colours[s];
  for (std::size_t s = 0; s < channels.size(); ++s) {
    const Selector* selector = form.Selector_At(channels[s]);
    if (selector == nullptr) return;
    chart.series[s].legend = selector->caption;
  }

  // The grid goes to the chart in one piece: every series read at the rows of the first. A
  // channel with fewer samples leaves a gap in its remaining rows, as its value box stays empty
  // there: a 0 would read as a measurement.
  std::vector<double> grid(chart.data.size());
  for (int i = 0; i < chart.row_count; ++i) {
    for (int s = 0; s < chart.column_count; ++s) {
      const int channel = channels[static_cast<std::size_t>(s)];
      grid[static_cast<std::size_t>(i * chart.column_count + s)] =
          i < store.Count(channel) ? store.Value(channel, i + 1) : kNoSample;
    }
  }
  chart.data = std::move(grid);
  chart.value_axis = Value_Axis_Of(first);

  for (int i = 1; i <= rows; ++i) {
    chart.row_labels[static_cast<std::size_t>(i - 1)] = Row_Label(store.Label(first, i));
  }
  chart.title = Chart_Title(chart, rows > 0 ? store.Label(first, 1) : std::string_view(),
                            rows > 0 ? store.Label(first, rows) : std::string_view());

  const Selector* caption = form.Selector_At(caption_channel);
  if (caption == nullptr) return;
  form.Frame5 = caption->caption;
}

void Draw_Value(AppState& app, int channel) {
  Draw_Series_Chart(app, std::array{channel}, std::array{kSteelBlue}, channel);
}

void Draw_X_Chart(AppState& app, int channel) {
  Draw_Series_Chart(app, kXChannels, kPairColours, channel);
}

void Draw_Y_Chart(AppState& app, int channel) {
  Draw_Series_Chart(app, kYChannels, kPairColours, channel);
}

void Draw_Z_Chart(AppState& app, int channel) {
  Draw_Series_Chart(app, kZChannels, kPairColours, channel);
}

void Draw_BattV_Chart(AppState& app, int channel) {
  Draw_Series_Chart(app, kBattVChannels, kBattVColours, channel);
}

void Draw_Mag_Chart(AppState& app, int channel) {
  Draw_Series_Chart(app, kMagChannels, kMagColours, channel);
}

void Redraw_Chart(AppState& app) {
  const ChartModel& chart = app.form.MSChart2;
  if (chart.channels.empty() || chart.channels.size() != chart.series.size()) return;
  const std::vector<int> channels = chart.channels;
  std::vector<Rgb> colours;
  for (const ChartSeries& series : chart.series) colours.push_back(series.colour);
  Draw_Series_Chart(app, channels, colours, chart.caption_channel);
}

bool Chart_Behind_Store(const AppState& app) {
  const ChartModel& chart = app.form.MSChart2;
  return !chart.channels.empty() && app.telemetry.store.Count(chart.channels[0]) != chart.row_count;
}

ChartRoutine Group_Chart(int channel) {
  const GroupChart* chart = Group_Of(channel);
  return chart ? chart->routine : nullptr;
}

ChartGroup Chart_Group(int channel) {
  const GroupChart* chart = Group_Of(channel);
  return chart ? chart->group : ChartGroup{};
}

}  // namespace orvelt

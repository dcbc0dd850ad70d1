#pragma once

#include <span>
#include <string>
#include <string_view>

#include "form/chart_model.hpp"
#include "window/app_state.hpp"

namespace orvelt {

// Up to this many rows the chart spaces its category ticks and labels itself.
inline constexpr int kAutoSpacingMaxRows = 40;
inline constexpr int kMaxChartSeries = 3;

inline constexpr Rgb kSteelBlue{70, 130, 180};
inline constexpr Rgb kForestGreen{34, 139, 34};
inline constexpr Rgb kMaroon{176, 48, 96};

// The one drawing sequence of every chart: channels[0] gives the row count and the row labels,
// every channel is read at the same positions, series s gets colours[s], and Frame5 gets the
// caption of `caption_channel`'s selector. A first channel outside 0..53 changes nothing; a
// step that cannot be done (a channel without a selector) ends the drawing there, leaving the
// steps before it in effect. `channels` and `colours` have the same size, 1..3.
void Draw_Series_Chart(AppState& app, std::span<const int> channels, std::span<const Rgb> colours,
                       int caption_channel);

// The title of a saved picture of `chart`: its series' legends, then the time labels of its first
// and last rows ("Battery 0 Volt: 2026-11-28 09:14:00 to 09:29:59", the day named once when
// both lie on it).
std::string Chart_Title(const ChartModel& chart, std::string_view first_label,
                        std::string_view last_label);

// The history of one channel.
void Draw_Value(AppState& app, int channel);

// Group charts; `channel` is the clicked one and only gives the frame caption.
void Draw_X_Chart(AppState& app, int channel);
void Draw_Y_Chart(AppState& app, int channel);
void Draw_Z_Chart(AppState& app, int channel);
void Draw_BattV_Chart(AppState& app, int channel);
void Draw_Mag_Chart(AppState& app, int channel);

// Draws the chart shown again, with its channels, colours and caption, from the store as it is
// now; without a chart nothing happens. A store that was emptied, replaced or has grown is then
// what the chart shows.
void Redraw_Chart(AppState& app);

// Whether the chart shown has another row count than its first channel now holds.
bool Chart_Behind_Store(const AppState& app);

using ChartRoutine = void (*)(AppState& app, int channel);

// The group chart of a channel, or nullptr for a channel that belongs to no group.
ChartRoutine Group_Chart(int channel);

// What a group chart draws: its channels in series order (the first gives the rows and their
// labels) and the colour of each.
struct ChartGroup {
  std::span<const int> channels;
  std::span<const Rgb> colours;
};

// The group a channel belongs to; no channels for a channel without a group.
ChartGroup Chart_Group(int channel);

}  // namespace orvelt

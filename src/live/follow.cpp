#include "live/follow.hpp"

#include <algorithm>
#include <cmath>

namespace orvelt {

namespace {

constexpr double kRowMargin = 0.5;
// A view edge this close to the last row counts as reaching it.
constexpr double kEdgeSlack = 0.5;

}  // namespace

int Newest_Record(const TelemetryStore& store, int selected_channel) {
  if (selected_channel >= 0 && selected_channel < kChannelCount) {
    if (const int count = store.Count(selected_channel); count > 0) return count;
  }
  int newest = 0;
  for (int c = 0; c < kChannelCount; ++c)
    newest = std::max(newest, static_cast<int>(store.Count(c)));
  return newest;
}

CategoryRange Category_Range_After_Growth(CategoryRange shown, int old_rows, int new_rows) {
  const CategoryRange all{kRowMargin, std::max(new_rows, 1) + kRowMargin};
  if (old_rows <= 0 || new_rows < old_rows) return all;
  const CategoryRange old_all{kRowMargin, old_rows + kRowMargin};
  const bool showed_all =
      shown.lower <= old_all.lower + 1e-9 && shown.upper >= old_all.upper - 1e-9;
  if (showed_all) return all;
  if (shown.upper >= old_rows - kEdgeSlack) {
    const double shift = new_rows - old_rows;
    return {shown.lower + shift, shown.upper + shift};
  }
  return shown;
}

std::int64_t Repaint_Delay_Ms(std::int64_t last_paint_ms, std::int64_t now_ms,
                              std::int64_t interval_ms) {
  if (last_paint_ms < 0) return 0;
  return std::max<std::int64_t>(0, last_paint_ms + interval_ms - now_ms);
}

}  // namespace orvelt

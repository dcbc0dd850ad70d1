#pragma once

#include <cstdint>

#include "decode/telemetry_store.hpp"

namespace orvelt {

// The record the display shows while it follows a live session: the newest sample of the
// selected channel, or, with no channel selected (or one that holds nothing), the newest
// record of any channel. 0 while the store is empty.
int Newest_Record(const TelemetryStore& store, int selected_channel);

// Whether the record display follows the newest record. It starts following; a move of the
// scroll bar by the user stops it; "Follow" resumes it.
struct FollowState {
  bool following = true;

  void User_Moved() { following = false; }
  void Resume() { following = true; }
  // The position the scroll bar should take after new samples, or nothing to change.
  int Position(int current, int newest) const {
    return following && newest > 0 && newest != current ? newest : 0;
  }
};

// The visible part of a chart's category axis (rows sit at 1..rows, half a row of room on each
// side when all are shown).
struct CategoryRange {
  double lower = 0;
  double upper = 0;
  bool operator==(const CategoryRange&) const = default;
};

// Where the category axis goes when the chart grows from `old_rows` to `new_rows` rows of the
// same series: a chart that showed every row shows every row again; a zoomed chart whose view
// reached the newest row keeps its width and slides to keep the newest row in sight; a chart
// zoomed onto older rows stays where the user put it.
CategoryRange Category_Range_After_Growth(CategoryRange shown, int old_rows, int new_rows);

// Coalesces repaints: at most one per `interval_ms`, and the first after a quiet moment at
// once. Returns how long to wait before painting a change that happened at `now_ms`, given
// when the last paint was (-1 for never).
std::int64_t Repaint_Delay_Ms(std::int64_t last_paint_ms, std::int64_t now_ms,
                              std::int64_t interval_ms);

// About 30 repaints per second at most.
inline constexpr std::int64_t kRepaintIntervalMs = 33;

}  // namespace orvelt

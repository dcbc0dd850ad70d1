#pragma once

#include <cstdint>

#include "form/platform.hpp"
#include "window/app_state.hpp"

namespace orvelt {

// A click on selector Option1(index): selects the channel alone, highlights its value box,
// shows the record again and draws its chart (its group's after a fresh Shift or right button).
void Option1_Click(AppState& app, Platform& platform, int index);

// The store was emptied or replaced (a load, a new live session): the record position stays
// within the records loaded, and the record display and the chart show the store as it is now.
// `now_seconds` (UTC) tells the age of samples shown while following.
void Store_Changed(AppState& app, Platform& platform, std::int64_t now_seconds);

// A click on the check box "B": bars when checked, lines otherwise; the data stay.
void Check1_Click(AppState& app);

}  // namespace orvelt

#pragma once

#include "form/platform.hpp"
#include "window/app_state.hpp"

namespace orvelt {

// A click on selector Option1(index): selects the channel alone, highlights its value box,
// shows the record again and draws its chart (its group's after a fresh Shift or right button).
void Option1_Click(AppState& app, Platform& platform, int index);

// A click on the check box "B": bars when checked, lines otherwise; the data stay.
void Check1_Click(AppState& app);

}  // namespace orvelt

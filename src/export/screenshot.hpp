#pragma once

#include "window/app_state.hpp"
#include "window/platform.hpp"

namespace orvelt {

// The button "S": saves a picture of the main window named after the capture file and hands
// it to the converter.
void Command1_Click(AppState& app, Platform& platform);

}  // namespace orvelt

#pragma once

#include <string_view>

#include "form/platform.hpp"
#include "window/app_state.hpp"

namespace orvelt {

// Start of Label3 when no picture file was written; the reason follows.
inline constexpr std::string_view kScreenshotNotSaved = "Screenshot not saved: ";

// The button "S": saves a picture of the main window as a bitmap named after the capture file
// and hands it to the converter. Without the converter the PNG is written in-process and the
// bitmap removed, as the converter would. Label3 names the file saved, or says why nothing was.
void Command1_Click(AppState& app, Platform& platform);

}  // namespace orvelt

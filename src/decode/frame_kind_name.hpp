#pragma once

#include <string>

#include "decode/frame_outcome.hpp"

namespace orvelt {

// What a frame is, in the words every listing of frames uses: "counter", "message", "battery",
// "solar array", "switchboard", "magnetometer", "sensor record 0xNN" or "other station".
std::string Frame_Kind_Name(const FrameOutcome& outcome);

}  // namespace orvelt

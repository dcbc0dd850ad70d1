#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "decode/frame_log.hpp"

namespace orvelt {

// Which frames the frame view lists.
enum class FrameFilter : std::uint8_t {
  All,
  Telemetry,  // counter and sensor records
  Messages,
  Other,     // frames of other stations and anything that is no satellite frame
  Problems,  // frames skipped in whole or in part
};
inline constexpr int kFrameFilterCount = 5;

// Name of a filter as the view offers it, e.g. "Telemetry".
const char* Frame_Filter_Name(FrameFilter filter);

bool Frame_Matches(const FrameLogEntry& entry, FrameFilter filter);

// Positions in the log of the frames that pass `filter`, oldest first.
std::vector<std::uint32_t> Filter_Frames(const FrameLog& log, FrameFilter filter);

// What became of a frame, in words: the record and the channels it filled ("sensor record 0x2C
// selector 3: Battery 0 Volt"), a message, another station's frame, or why it was skipped.
std::string Frame_Outcome_Text(const FrameLogEntry& entry);

// The channels that a frame of this kind, type and selector fills; empty where none.
std::vector<int> Frame_Channels(const FrameLogEntry& entry);

}  // namespace orvelt

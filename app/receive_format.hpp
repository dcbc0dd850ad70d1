#pragma once

#include <ostream>

#include "live/live_session.hpp"

namespace orvelt {

// The name of the record a frame held: "counter", "message", "battery", "solar array",
// "switchboard", "magnetometer", or "sensor" for a record type without a name.
const char* Record_Kind(const FrameOutcome& outcome);

// One line per decoded frame for a person watching a pass:
// "2026-12-07 10:15:00 battery: 3 Battery 0 Volt = 11.64 V" or
// "2026-12-07 10:15:00 message: text".
void Write_Frame_Line(std::ostream& out, const LiveFrame& frame);

// The same as one JSON object on one line: {"time_label": ..., "kind": ...,
// "channels": {"3": 11.64}, "message": "text" or null}.
void Write_Frame_Json(std::ostream& out, const LiveFrame& frame);

}  // namespace orvelt

#pragma once

#include <ostream>
#include <string>

#include "live/live_session.hpp"

namespace orvelt {

// Every frame gets a line but the TNC's time-label frames, which only stamp the next one.
bool Has_Frame_Line(const LiveFrame& frame);

// One line per frame for a person watching a pass. ORVELT-1 telemetry:
// "2026-12-07 10:15:00 battery: 3 Battery 0 Volt = 11.64 V" or
// "2026-12-07 10:15:00 message: text"; any other frame (another station's, one with a problem,
// one too long) its payload size, its problem and its bytes after the KISS command byte in hex:
// "2026-12-07 10:15:00 other station: 16 bytes: 82A0..." or
// "2026-12-07 10:15:00 battery: 5 bytes, record bytes missing at the end of the frame: C080...".
// Control characters of the label and the message are escaped (\xHH): one frame, one line.
void Write_Frame_Line(std::ostream& out, const LiveFrame& frame);

// The counts of a whole run for the closing line: "1098 frames received (549 of them time
// labels), 549 decoded, 0 from other stations". The TNC's time labels are said apart, so that
// half the frames being labels does not read as half of them lost.
std::string Run_Counts_Text(const LiveCounts& counts);

// The same as one JSON object on one line: {"time_label": ..., "kind": ...,
// "channels": {"3": 11.64}, "message": "text" or null} for telemetry, {"time_label": ...,
// "kind": "other station", "bytes": 16, "problem": null or "text", "hex": "82A0..."} for any other
// frame.
void Write_Frame_Json(std::ostream& out, const LiveFrame& frame);

}  // namespace orvelt

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvelt {

// A moment as the archive keeps it: whole seconds since 1970-01-01 00:00:00 UTC.
using UtcSeconds = std::int64_t;

// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" or ISO 8601 "YYYY-MM-DDTHH:MM:SS", with an
// optional fraction of a second (dropped) and an optional "Z" or "+00:00" (any other offset is
// applied). Nothing when the text is none of these or names no real date.
std::optional<UtcSeconds> Parse_Utc_Time(std::string_view text);

// The time now, in whole seconds.
UtcSeconds Utc_Now();

// Whether a frame's time can be true: from 1957-01-01, before anything was in orbit, to a day
// after `now`, which leaves room for a station's clock running ahead. Anything else (a year
// 0000 or 9999 from a station's broken clock or a database's placeholder) cannot be charted or
// resumed from, and the frame is counted as unusable.
inline constexpr UtcSeconds kFirstUsableFrameTime = -410227200;  // 1957-01-01 00:00:00 UTC
bool Is_Usable_Frame_Time(UtcSeconds time, UtcSeconds now);

// "YYYY-MM-DDTHH:MM:SSZ": ISO 8601 in UTC, as time-series databases read it.
std::string Format_Utc_Time(UtcSeconds seconds);

}  // namespace orvelt

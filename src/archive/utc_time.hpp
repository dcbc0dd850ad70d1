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

// "YYYY-MM-DDTHH:MM:SSZ": ISO 8601 in UTC, as time-series databases read it.
std::string Format_Utc_Time(UtcSeconds seconds);

}  // namespace orvelt

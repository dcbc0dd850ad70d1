#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvelt {

// "YYYY-MM-DD HH:MM:SS" (UTC) of a count of seconds since 1970-01-01 00:00:00, the form of the
// text time labels that stations write and that the charts cut the time of day from.
std::string Format_Time_Label(std::int64_t seconds_since_1970);

// The seconds of a label in that form, or nothing when the text is not one.
std::optional<std::int64_t> Parse_Time_Label(std::string_view label);

// Milliseconds since 1970 (UTC) before 10000-01-01 fit the four-digit year of a label.
inline constexpr std::uint64_t kYear10000Ms = 253402300800000ULL;

}  // namespace orvelt

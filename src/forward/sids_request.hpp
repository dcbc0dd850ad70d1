#pragma once

#include "forward/station_settings.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orvelt {

inline constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

// Percent-encodes everything but letters, digits and "-._~", so that no field can break out
// of its place in a form body ("&", "=", "+" and spaces included).
std::string Form_Encode(std::string_view text);

// "2026-12-07T10:15:00.123Z" for a UTC time in milliseconds since 1970-01-01.
std::string Sids_Timestamp(std::int64_t utc_ms);
// "12.345E" / "12.345W" and "47.1N" / "47.1S": magnitude with at most six decimals.
std::string Sids_Longitude(double longitude);
std::string Sids_Latitude(double latitude);
// Upper-case hex of the frame's bytes after the KISS command byte.
std::string Sids_Frame_Hex(std::span<const std::uint8_t> kiss_frame);

// The form body of one SiDS report: noradID, source, timestamp, frame, locator, longitude,
// latitude and version, each value form-encoded.
std::string Sids_Request_Body(const StationSettings& station, std::span<const std::uint8_t> frame,
                              std::int64_t arrival_ms, std::string_view version);

// The address a report is sent to, "URL?FIELDS" as SiDS writes its requests: the same fields as
// the body, after the server's own query if it has one ("URL?key=1&FIELDS").
std::string Sids_Request_Target(std::string_view url, std::string_view fields);

}  // namespace orvelt

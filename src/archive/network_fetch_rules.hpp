#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/utc_time.hpp"

namespace orvelt {

// Said when the network database refuses the token; the token itself is never shown.
inline constexpr std::string_view kTokenRefused = "token refused";

// The network database's telemetry of a satellite between two times:
// <server>/api/telemetry/?satellite=N&start=T&end=T, times in ISO 8601 UTC.
std::string Telemetry_Query_Url(const std::string& server, int norad, UtcSeconds from,
                                UtcSeconds to);

// The address of the Link header's rel="next" entry; nothing when there is none.
std::optional<std::string> Next_Link(std::string_view link_header);

// Whether `url` lies on the same server (scheme, host and port) as `server`: the token goes
// only there, whatever address a page names as the next one.
bool Same_Server(std::string_view url, std::string_view server);

enum class FetchAnswer {
  Page,          // 200: a page of frames
  Wait,          // 429, 503: the server asks to come back later
  TokenRefused,  // 401, 403
  Failed,        // anything else, no answer included: stop, keep what was fetched
};
FetchAnswer Classify_Fetch_Answer(int http_status);

// Seconds of a Retry-After header given as a number; nothing for anything else.
std::optional<std::int64_t> Retry_After_Seconds(std::string_view header);

// One frame of a page, as the network database gives it.
struct NetworkEntry {
  std::vector<std::uint8_t> bytes;  // with the KISS command byte 0 in front
  UtcSeconds time = 0;
  std::string observer;
};

struct TelemetryPage {
  std::vector<NetworkEntry> entries;
  std::int64_t unusable = 0;  // objects without a readable frame or timestamp
};

// Reads a page: a JSON array of objects with (among others) "frame", "timestamp" and
// "observer". Nothing when the text is no such array (or nests deeper than any page would).
std::optional<TelemetryPage> Parse_Telemetry_Page(std::string_view json);

}  // namespace orvelt

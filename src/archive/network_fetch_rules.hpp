#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/utc_time.hpp"
#include "base/result.hpp"

namespace orvelt {

// Said when the network database refuses the token; the token itself is never shown.
inline constexpr std::string_view kTokenRefused = "token refused";

// Whether a token can be sent, or why not: it is empty or holds a control character (a line end
// would make a header of its own).
Outcome Check_Token(std::string_view token);

enum class FetchAnswer {
  Page,              // 200: a page of frames
  Wait,              // 429, 503: the server asks to come back later
  TokenRefused,      // 401, 403
  UnknownSatellite,  // 404 to the first request: the server has no such satellite
  Failed,            // anything else, no answer included: stop, keep what was fetched
};
// `first_page`: the answer is to the first request of a fetch; a 404 to a later one is about its
// page, not the satellite.
FetchAnswer Classify_Fetch_Answer(int http_status, bool first_page);

// One frame of a page, as the network database gives it.
struct NetworkEntry {
  std::vector<std::uint8_t> bytes;  // with the KISS command byte 0 in front
  UtcSeconds time = 0;
  std::string observer;
};

struct TelemetryPage {
  std::vector<NetworkEntry> entries;
  std::int64_t unusable = 0;  // entries without a readable frame or a believable time
  // The next page as the page's body names it (cursor pagination); none on the last page and in
  // the bare lists of older servers, which name it in the Link header only.
  std::optional<std::string> next;
};

// Seconds a fetch may still take, reckoned from the share of its time range read so far (pages
// come newest first, from `to` down to `from`): the rest takes as long again per second of
// range as the pages so far took, the waits the server asked for included. Nothing before a page
// with a time was read.
std::optional<std::int64_t> Fetch_Seconds_Left(UtcSeconds from, UtcSeconds to,
                                               std::optional<UtcSeconds> oldest_read,
                                               std::int64_t elapsed_ms);

// "about 40 s", "about 12 min", "about 2 h 10 min", "more than 2 days".
std::string Duration_Text(std::int64_t seconds);

}  // namespace orvelt

#pragma once

#include <optional>
#include <string_view>

#include "archive/network_fetch_rules.hpp"

namespace orvelt {

// Reads a page of the network database's telemetry list: the object of cursor pagination,
// {"next": URL|null, "previous": URL|null, "results": [...]}, or the bare list of older servers.
// Each entry is an object with (among others) "frame" (hex, spaces between bytes allowed),
// "timestamp" (ISO 8601) and "observer"; one without a readable frame, or with a time outside
// 1957 to a day after `now`, is counted as unusable. Nothing when the text is no such page.
std::optional<TelemetryPage> Parse_Telemetry_Page(std::string_view json, UtcSeconds now);

}  // namespace orvelt

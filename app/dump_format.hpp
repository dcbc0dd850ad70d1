#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "decode/telemetry_state.hpp"
#include "export/csv_export.hpp"
#include "ingest/load_report.hpp"

namespace orvelt {

// `utf8` as a JSON string; bytes that are no valid UTF-8 (file names can hold any bytes) become
// U+FFFD, so that the output is always valid UTF-8.
void Write_Json_String(std::ostream& out, std::string_view utf8);

// Store, message lines, switch states and the load report as one JSON object (always valid
// UTF-8).
void Write_Json(std::ostream& out, const TelemetryState& state, const LoadReport& report);

}  // namespace orvelt

#pragma once

#include <ostream>

#include "decode/telemetry_state.hpp"
#include "export/csv_export.hpp"
#include "ingest/load_report.hpp"

namespace orvelt {

// Store, message lines, switch states and the load report as one JSON object (always valid
// UTF-8).
void Write_Json(std::ostream& out, const TelemetryState& state, const LoadReport& report);

}  // namespace orvelt

#pragma once

#include <ostream>

#include "decode/telemetry_state.hpp"
#include "ingest/load_report.hpp"
#include "window/form_model.hpp"

namespace orvelt {

// The shortest decimal text that reads back as the same double.
std::string Shortest_Number(double value);

// One row per stored sample: channel,caption,unit,sample,time_label,value.
void Write_Csv(std::ostream& out, const TelemetryStore& store);

// Store, message lines, written status boxes and the load report as one JSON object.
void Write_Json(std::ostream& out, const TelemetryStore& store, const FormModel& form,
                const LoadReport& report);

// The hex log, one line per frame.
void Write_Hex(std::ostream& out, const FormModel& form);

}  // namespace orvelt

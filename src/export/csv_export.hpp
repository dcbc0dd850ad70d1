#pragma once

#include <ostream>
#include <string>

#include "decode/telemetry_store.hpp"

namespace orvelt {

// The shortest decimal text that reads back as the same double.
std::string Shortest_Number(double value);

// What is loaded as CSV, one row per stored sample: channel,caption,unit,sample,time_label,value
// (UTF-8, numbers in the C locale's form whatever the user's locale). The dump tool and the
// window's "Export CSV..." write the same text.
void Write_Csv(std::ostream& out, const TelemetryStore& store);

}  // namespace orvelt

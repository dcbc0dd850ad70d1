#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "decode/telemetry_store.hpp"

namespace orvelt {

// The shortest decimal text that reads back as the same double.
std::string Shortest_Number(double value);

// Appends `utf8` as one CSV field: quoted where it holds a comma or a quote, control characters
// as \xHH and a backslash as \\.
void Append_Csv_Field(std::string& out, std::string_view utf8);

// What is loaded as CSV, one row per stored sample: channel,caption,unit,sample,time_label,value
// (UTF-8, numbers in the C locale's form whatever the user's locale). The dump tool and the
// window's "Export CSV..." write the same text.
void Write_Csv(std::ostream& out, const TelemetryStore& store);

}  // namespace orvelt

#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "decode/number_text.hpp"
#include "decode/telemetry_store.hpp"

namespace orvelt {

// Appends `utf8` as one CSV field: quoted where it holds a comma or a quote, control characters
// as \xHH and a backslash as \\.
void Append_Csv_Field(std::string& out, std::string_view utf8);

// What is loaded as CSV, one row per stored sample: channel,caption,unit,sample,time_label,value
// (UTF-8, values as Plain_Number writes them, in the C locale's form whatever the user's locale).
// The dump tool and the window's "Export CSV..." write the same text.
void Write_Csv(std::ostream& out, const TelemetryStore& store);

}  // namespace orvelt

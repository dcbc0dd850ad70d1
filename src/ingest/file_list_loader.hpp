#pragma once

#include <functional>

#include "decode/telemetry_state.hpp"
#include "ingest/load_report.hpp"
#include "window/form_model.hpp"

namespace orvelt {

// Reads the files listed in List3, top to bottom, into the store: each becomes
// CaptureFileName and the status line before it is read, and every file read to its end is
// followed by `after_file` (the window refreshes its record there). A file that cannot be read
// is reported and skipped; a full store ends the load. Does not empty the store.
LoadReport Load_File_List(TelemetryState& state, FormModel& form,
                          const std::function<void()>& after_file = {});

// The whole load of one selection as "Open Kissfile" does it once the files are chosen:
// empties the store, makes `files` the new List3 and reads them.
LoadReport Load_Selection(TelemetryState& state, FormModel& form, std::vector<std::string> files,
                          const std::function<void()>& after_file = {});

}  // namespace orvelt

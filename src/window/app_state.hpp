#pragma once

#include <string>

#include "decode/telemetry_state.hpp"
#include "form/form_model.hpp"
#include "ingest/capture_reader.hpp"

namespace orvelt {

// Everything the running program holds: owned by the application and passed by reference, so
// every test starts from a clean one.
struct AppState {
  TelemetryState telemetry;
  FormModel form;
  std::string ImagePath;  // folder or name prefix of screenshot files, see Image_Path_Prefix
  LoadReport last_load;   // report of the most recent "Open Kissfile"
  // How loads run: the front-end sets the progress callback that shows progress and cancels.
  LoadOptions load_options;
  // The record display shows every channel's latest sample instead of record HScroll1: set
  // while a live session is followed.
  bool show_latest = false;
  // The station's limits per channel: the record display marks the value boxes outside them.
  LimitTable limits{};
};

}  // namespace orvelt

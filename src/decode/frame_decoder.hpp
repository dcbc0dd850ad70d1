#pragma once

#include "decode/telemetry_state.hpp"
#include "window/form_model.hpp"

namespace orvelt {

// Why a frame could not be taken in whole.
enum class FrameProblem {
  None,
  FrameTooLong,          // more than 512 bytes after unescaping
  ValueOutOfRange,       // counter or switchboard word with its top bit set
  StatusCodeOutOfRange,  // switchboard status code 17 or more
  MessageTooShort,       // message frame of 8 bytes or fewer
  RecordTooShort,        // record bytes missing at the end of the frame
  StoreFull,             // a channel already holds 5000 samples
};

const char* Problem_Text(FrameProblem problem);

struct DecodeResult {
  FrameProblem problem = FrameProblem::None;
  int channel = -1;  // with StoreFull: the channel that is full
};

// Decodes the current frame of `state`: appends its values to the store stamped with the
// current time label, adds message lines to List1, writes switch states into the status boxes
// and sets Label8. Reads only the frame's own bytes. A frame that is no telemetry changes
// nothing but Label8.
DecodeResult Decode_Frame(TelemetryState& state, FormModel& form);

}  // namespace orvelt

#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "decode/frame_decoder.hpp"
#include "decode/telemetry_state.hpp"

namespace orvelt {

// Frames are decoded one by one for the archive and the frame listing, never kept in the
// store: the store is emptied before any channel fills, so that a capture of any size decodes
// to its end. A frame appends at most one value per channel, so emptying it when a channel
// reaches its last slot is enough.
void Keep_Store_Open(TelemetryState& state, const FrameOutcome& outcome);

// What one frame said, read from the decoder's outcome and the state right after it was taken.
struct FrameRecord {
  std::span<const std::uint8_t> bytes;  // byte 0 is the KISS command byte
  std::string_view label;               // time label in force (single-byte characters)
  bool time_label = false;              // the frame set the time label
  FrameOutcome outcome;
  std::string message;     // a message frame's text, UTF-8
  int switch_status = -1;  // a switchboard record's status code
};

// The record of the frame just taken into `state`.
FrameRecord Read_Frame_Record(const TelemetryState& state, std::span<const std::uint8_t> stored,
                              const TakenFrame& taken);

// The frame's kind (Frame_Kind_Name), or "time label".
std::string Frame_Kind_Text(const FrameRecord& record);

}  // namespace orvelt

#pragma once

#include <cstddef>
#include <span>

#include "decode/frame_batch.hpp"
#include "decode/frame_outcome.hpp"
#include "decode/telemetry_state.hpp"

namespace orvelt {

// Decodes the current frame of `state`: appends its values to the store stamped with the
// current time label, adds message lines, notes switch states and counts the frame when its
// decoding ran to its end. Reads only the frame's own bytes. A frame that is no telemetry
// changes nothing but the count.
FrameOutcome Decode_Frame(TelemetryState& state);

// What became of one frame handed to Take_Frame.
struct TakenFrame {
  bool time_label = false;
  FrameOutcome outcome;
};

// Takes one unescaped frame, whatever its source (a capture file, a TNC): `stored` holds its
// first bytes (at most 512) and `full_length` its whole length. A frame over 512 bytes is
// skipped; a time-label frame sets the time label; every other frame becomes the current frame,
// is decoded and, where the state keeps one, logged.
TakenFrame Take_Frame(TelemetryState& state, std::span<const std::uint8_t> stored,
                      std::size_t full_length);

// Takes the batch's frames in order, each as Take_Frame takes it, and stops after a frame that
// found the store full. The frames are numbered in the frame log from `first_file_frame` on,
// or not at all when it is 0. Afterwards the last frame that became current is current.
BatchOutcome Take_Frames(TelemetryState& state, const FrameBatch& batch,
                         std::int64_t first_file_frame);

}  // namespace orvelt

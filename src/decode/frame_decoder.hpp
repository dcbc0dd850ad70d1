#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "decode/downlink.hpp"
#include "decode/frame_batch.hpp"
#include "decode/frame_outcome.hpp"
#include "decode/telemetry_state.hpp"

namespace orvelt {

// The kind the fixed bytes of a frame tell (byte 0 is the KISS command byte); a frame too
// short to hold a byte that tells its kind is not of that kind.
constexpr FrameKind Frame_Kind_Of(std::span<const std::uint8_t> frame) {
  if (frame.size() < 2) return FrameKind::Other;
  if (frame[1] == kCounterMarker) return FrameKind::Counter;
  if (frame[1] != kHeaderByte1 || frame.size() < 6 || frame[2] != kHeaderByte2) {
    return FrameKind::Other;
  }
  if (frame[5] == kSensorMarker) return FrameKind::Sensor;
  if (frame[5] == kMessageMarker) return FrameKind::Message;
  return FrameKind::Other;
}

// Whether a frame is telemetry of the satellite beyond doubt: a KISS data frame of one of its
// kinds, a counter frame of a known counter. Bytes of something else (text, noise) cut at
// their 0xC0 bytes make frames too, and one in a few hundred of them starts like a counter.
constexpr bool Is_Satellite_Frame(std::span<const std::uint8_t> frame) {
  if (frame.empty() || (frame[0] & 0x0F) != 0) return false;
  switch (Frame_Kind_Of(frame)) {
    case FrameKind::Other:
      return false;
    case FrameKind::Counter:
      return frame.size() >= static_cast<std::size_t>(kCounterBytes) &&
             frame[2] >= kFirstCounterType &&
             frame[2] < kFirstCounterType + kCounterChannels.size();
    case FrameKind::Message:
    case FrameKind::Sensor:
      return true;
  }
  return false;
}

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

// Takes one unescaped frame that comes on its own (from a TNC, a frame export, a network page):
// `stored` holds its first bytes (at most 512) and `full_length` its whole length. A frame over 512
// bytes is skipped; a time-label frame sets the time label; every other frame becomes the current
// frame, is decoded and, where the state keeps one, logged.
TakenFrame Take_Frame(TelemetryState& state, std::span<const std::uint8_t> stored,
                      std::size_t full_length);

// Called with each frame's place in its batch and what became of it, once it was taken.
using AfterEachFrame = std::function<void(std::size_t place, const TakenFrame& taken)>;

// Takes the batch's frames in order, each as Take_Frame takes it, calls `after_each` (when set)
// after each, and stops after a frame that found the store full. The frames are numbered in the
// frame log from `first_file_frame` on, or not at all when it is 0. Afterwards the last frame
// that became current is current.
BatchOutcome Take_Frames(TelemetryState& state, const FrameBatch& batch,
                         std::int64_t first_file_frame, const AfterEachFrame& after_each = {});

}  // namespace orvelt

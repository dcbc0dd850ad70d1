#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "decode/downlink.hpp"
#include "decode/frame_log.hpp"
#include "decode/line_log.hpp"
#include "decode/telemetry_store.hpp"
#include "decode/time_label.hpp"

namespace orvelt {

using SwitchStatusTable = std::array<std::string, kSwitchStatusCount>;

// The texts of the switchboard status codes 0..16.
SwitchStatusTable Default_Switch_Status_Text();

// Everything decoding produces and shares: the store, the current frame and time label, the
// name of the capture being read, and the decoded facts that every consumer (window, command
// line programs, recorder) reads: message lines, the last status of each switch, the frame log
// and how many frames were decoded to their end.
struct TelemetryState {
  TelemetryStore store;
  // The current frame; byte 0 is the KISS command byte. Bytes beyond FrameLength keep what
  // earlier, longer frames left, but nothing reads them.
  std::array<std::uint8_t, kFrameCapacity> FrameBytes{};
  int FrameLength = 0;
  // Single-byte characters as received (at most 19), stamped on every appended sample.
  std::string TimeLabel;
  std::string CaptureFileName;
  SwitchStatusTable SwitchStatusText = Default_Switch_Status_Text();

  // Received message lines, "label: text" in UTF-8.
  LineLog messages;
  // Status code 0..16 of the last record of each switch, -1 before the first.
  std::array<int, kSwitchCount> switch_status = Unknown_Switch_Status();
  // Bumped whenever a switch status is written, so that a view refreshes only then.
  std::uint64_t switch_revision = 0;
  // Every frame handed to the decoder; a consumer that needs no log switches it off.
  FrameLog frame_log;
  bool keep_frame_log = true;
  // Frames whose decoding ran to its end.
  std::int64_t frames_decoded = 0;

  // Empties the store and forgets every fact decoded into it (messages, switch states, the
  // frame log), so that every view of a new load or a new live session shows only what it
  // brings. The time label in force stays, as the reader carries it from file to file.
  void Start_Afresh() {
    store.Reset_Store();
    messages.Clear();
    switch_status = Unknown_Switch_Status();
    ++switch_revision;
    frame_log.Clear();
    frames_decoded = 0;
  }

  std::span<const std::uint8_t> Frame() const {
    return {FrameBytes.data(), static_cast<std::size_t>(FrameLength)};
  }

  static constexpr std::array<int, kSwitchCount> Unknown_Switch_Status() {
    std::array<int, kSwitchCount> status{};
    status.fill(-1);
    return status;
  }
};

}  // namespace orvelt

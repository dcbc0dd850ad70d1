#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "decode/telemetry_store.hpp"

namespace orvelt {

inline constexpr int kFrameCapacity = 512;
inline constexpr int kSwitchStatusCount = 17;

using SwitchStatusTable = std::array<std::string, kSwitchStatusCount>;

// The texts of the switchboard status codes 0..16.
SwitchStatusTable Default_Switch_Status_Text();

// What the reader and the decoder share while capture files are read: the store, the current
// frame and time label, the name of the file being read and the switch status texts.
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

  std::span<const std::uint8_t> Frame() const {
    return {FrameBytes.data(), static_cast<std::size_t>(FrameLength)};
  }
};

}  // namespace orvelt

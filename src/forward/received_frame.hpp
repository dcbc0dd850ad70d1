#pragma once

#include <cstdint>
#include <vector>

namespace orvelt {

// A frame as it came from the TNC: its bytes including the KISS command byte, and when it
// arrived (UTC, milliseconds since 1970-01-01).
struct ReceivedFrame {
  std::vector<std::uint8_t> bytes;
  std::int64_t arrival_ms = 0;
};

}  // namespace orvelt

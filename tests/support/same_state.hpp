#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "decode/telemetry_state.hpp"

namespace orvelt::testing {

// Whether two states hold the same decoded facts: every sample (value bit for bit, label), the
// message lines, the switch states and the count of decoded frames.
inline ::testing::AssertionResult Same_Decoded_Facts(const TelemetryState& a,
                                                     const TelemetryState& b) {
  for (int c = 0; c < kChannelCount; ++c) {
    if (a.store.Count(c) != b.store.Count(c)) {
      return ::testing::AssertionFailure() << "channel " << c << ": " << a.store.Count(c)
                                           << " samples against " << b.store.Count(c);
    }
    for (int slot = 1; slot <= a.store.Count(c); ++slot) {
      const double va = a.store.Value(c, slot), vb = b.store.Value(c, slot);
      if (std::memcmp(&va, &vb, sizeof va) != 0 ||
          a.store.Label(c, slot) != b.store.Label(c, slot)) {
        return ::testing::AssertionFailure() << "channel " << c << " slot " << slot << ": " << va
                                             << " '" << a.store.Label(c, slot) << "' against " << vb
                                             << " '" << b.store.Label(c, slot) << "'";
      }
    }
  }
  for (std::size_t k = 0; k < std::max(a.messages.size(), b.messages.size()); ++k) {
    if (k >= a.messages.size() || k >= b.messages.size() || a.messages[k] != b.messages[k]) {
      return ::testing::AssertionFailure() << "message " << k << " differs";
    }
  }
  if (a.switch_status != b.switch_status) return ::testing::AssertionFailure() << "switches";
  if (a.frames_decoded != b.frames_decoded) {
    return ::testing::AssertionFailure()
           << a.frames_decoded << " frames decoded against " << b.frames_decoded;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace orvelt::testing

#include "decode/telemetry_store.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

TEST(TelemetryStore, LabelIsCutToNineteenCharacters) {
  TelemetryStore store;
  store.Append_Sample(10, 1.0, "2026-11-28 09:14:01 and more");
  EXPECT_EQ(store.Label(10, 1), "2026-11-28 09:14:01");
}

// Slots beyond a channel's count read 0 and an empty label, in a new store as after a reset.
TEST(TelemetryStore, ResetEmptiesChannelsOneToFiftyThree) {
  TelemetryStore store;
  EXPECT_EQ(store.Value(53, kSeriesCapacity), 0.0);
  EXPECT_EQ(store.Label(53, kSeriesCapacity), "");
  for (int c = 0; c < kChannelCount; ++c) store.Append_Sample(c, c + 0.5, "label");
  store.Reset_Store();
  for (int c = 1; c < kChannelCount; ++c) {
    EXPECT_EQ(store.Count(c), 0) << c;
    EXPECT_EQ(store.Value(c, 1), 0.0) << c;
    EXPECT_EQ(store.Label(c, 1), "") << c;
  }
  // Channel 0 is never written by the decoder and never reset.
  EXPECT_EQ(store.Count(0), 1);
}

}  // namespace
}  // namespace orvelt

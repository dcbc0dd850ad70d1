#include "decode/telemetry_store.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace orvelt {
namespace {

// Samples appended across channels under labels that change, come back, are empty or too long,
// given as text or as a run's entry (between labels given an entry that no sample takes): each
// slot reads the label it was appended with, also after the store was emptied.
TEST(TelemetryStore, EachSlotReadsItsOwnLabel) {
  enum How { kText, kRun };
  struct Sample {
    int channel;
    std::string_view label;
    How how;
  };
  const Sample samples[] = {
      {10, "2026-11-28 09:14:01", kText},
      {11, "2026-11-28 09:14:01", kText},
      {12, "2026-11-28 09:14:01", kRun},
      {10, "2026-11-28 09:14:02 and more", kText},
      {12, "2026-11-28 09:14:03", kRun},
      {11, "2026-11-28 09:14:01", kText},
      {10, "", kText},
      {11, "09:14", kText},
      {12, "09:14", kRun},
      {12, "2026-11-28 09:14:04", kRun},
      {11, "09:14", kText},
      {10, "2026-11-28 09:14:05", kText},
      {11, "09:14", kText},
      {10, "2026-11-28 09:14:01", kText},
      {53, "2026-11-28 09:14:0", kText},
      {53, "2026-11-28 09:14:01", kText},
  };
  TelemetryStore store;
  const auto append = [&](const Sample& s) {
    if (s.how == kText) return store.Append_Sample(s.channel, 1.0, s.label);
    store.Label_Entry("a label no sample takes");
    return store.Append_Sample_As(s.channel, 1.0, store.Label_Entry(s.label));
  };
  std::vector<std::pair<int, int>> slots;
  for (const Sample& s : samples) {
    ASSERT_TRUE(append(s));
    slots.emplace_back(s.channel, store.Count(s.channel));
  }
  for (std::size_t i = 0; i < std::size(samples); ++i)
    EXPECT_EQ(store.Label(slots[i].first, slots[i].second),
              samples[i].label.substr(0, kTimeLabelMax));
  // One entry per run of equal labels, and the empty label every store starts with.
  EXPECT_EQ(store.Label_Count(), 14u);
  ASSERT_TRUE(append(samples[14]));
  store.Reset_Store();
  ASSERT_TRUE(append(samples[14]));
  EXPECT_EQ(store.Label(53, 1), samples[14].label);
}

// The worst case for the label table: every sample of a full store under a label of its own,
// filled once, emptied with channel 0 kept (the decoder never writes it), and filled again. Every
// label reads back, an append to a full channel is refused, and emptied slots read 0 and no label.
TEST(TelemetryStore, FullStoreWithADistinctLabelPerSample) {
  auto Label_Of = [](int n) { return "2026-11-28 " + std::to_string(10000000 + n); };
  TelemetryStore store;
  int n = 0;
  auto fill = [&](int first_channel) {
    const int start = n;
    for (int slot = 1; slot <= kSeriesCapacity; ++slot) {
      for (int c = first_channel; c < kChannelCount; ++c) {
        ASSERT_TRUE(store.Append_Sample(c, n, Label_Of(n)));
        ++n;
      }
    }
    EXPECT_FALSE(store.Append_Sample(kChannelCount - 1, 0, "over"));
    // A full table still has room for the entry of a label that no sample can take.
    EXPECT_FALSE(store.Append_Sample_As(kChannelCount - 1, 0, store.Label_Entry("over")));
    for (int slot = 1; slot <= kSeriesCapacity; slot += 499) {
      for (int c = first_channel; c < kChannelCount; ++c) {
        const int m = start + (slot - 1) * (kChannelCount - first_channel) + (c - first_channel);
        ASSERT_EQ(store.Label(c, slot), Label_Of(m)) << c << ' ' << slot;
        ASSERT_EQ(store.Value(c, slot), m);
      }
    }
  };
  fill(0);
  EXPECT_EQ(store.Label_Count(), static_cast<std::size_t>(kChannelCount * kSeriesCapacity + 1));
  store.Reset_Store();
  EXPECT_EQ(store.Label_Count(), static_cast<std::size_t>(kSeriesCapacity + 1));
  for (int c = 1; c < kChannelCount; ++c) {
    EXPECT_EQ(store.Count(c), 0);
    EXPECT_EQ(store.Value(c, 1), 0.0);
    EXPECT_EQ(store.Label(c, 1), "");
  }
  fill(1);
  EXPECT_EQ(store.Label(0, kSeriesCapacity), Label_Of((kSeriesCapacity - 1) * kChannelCount));
}

}  // namespace
}  // namespace orvelt

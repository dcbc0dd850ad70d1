#include "decode/telemetry_store.hpp"

#include <algorithm>

namespace orvelt {

TelemetryStore::TelemetryStore()
    : storage_(std::make_unique<std::array<ChannelSeries, kChannelCount>>()), series_(*storage_) {}

bool TelemetryStore::Append_Sample(int c, double value, std::string_view label) {
  ChannelSeries& s = series_[static_cast<std::size_t>(c)];
  if (s.count >= kSeriesCapacity) return false;
  const auto slot = static_cast<std::size_t>(s.count);
  s.values[slot] = value;
  StoredLabel& stored = s.labels[slot];
  stored.length = static_cast<std::uint8_t>(std::min(label.size(), kTimeLabelMax));
  std::copy_n(label.data(), stored.length, stored.chars.begin());
  ++s.count;
  return true;
}

void TelemetryStore::Reset_Store() {
  // Slots beyond the count already hold 0 and an empty label, so clearing the used ones
  // restores the whole series.
  for (int c = 1; c < kChannelCount; ++c) {
    ChannelSeries& s = series_[static_cast<std::size_t>(c)];
    const auto used = static_cast<std::size_t>(s.count);
    std::fill_n(s.values.begin(), used, 0.0);
    std::fill_n(s.labels.begin(), used, StoredLabel{});
    s.count = 0;
  }
}

}  // namespace orvelt

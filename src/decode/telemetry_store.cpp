#include "decode/telemetry_store.hpp"

#include <algorithm>
#include <cstring>
#include <new>

namespace orvelt {

namespace {

// All-zero bytes are an empty series (count 0, values 0, labels empty), and the series are
// aggregates, so zeroed memory holds them as they are.
TelemetryStore::AllSeries* Zeroed_Series() {
  void* memory = std::calloc(1, sizeof(TelemetryStore::AllSeries));
  if (!memory) throw std::bad_alloc();
  return static_cast<TelemetryStore::AllSeries*>(memory);
}

}  // namespace

TelemetryStore::TelemetryStore() : storage_(Zeroed_Series()), series_(*storage_) {}

bool TelemetryStore::Append_Sample(int c, double value, std::string_view label) {
  ChannelSeries& s = series_[static_cast<std::size_t>(c)];
  if (s.count >= kSeriesCapacity) return false;
  const auto slot = static_cast<std::size_t>(s.count);
  s.values[slot] = value;
  StoredLabel& stored = s.labels[slot];
  stored.length = static_cast<std::uint8_t>(std::min(label.size(), kTimeLabelMax));
  // Labels are nearly always whole "YYYY-MM-DD HH:MM:SS": a copy of fixed size is a couple of
  // moves, where one of any size is a library call per sample.
  if (stored.length == kTimeLabelMax) {
    std::memcpy(stored.chars.data(), label.data(), kTimeLabelMax);
  } else {
    std::copy_n(label.data(), stored.length, stored.chars.begin());
  }
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

#include "decode/telemetry_store.hpp"

#include <algorithm>
#include <new>

namespace orvelt {

// All-zero bytes are an empty store (counts 0, values 0, every slot on the empty label 0), and
// its parts are aggregates, so zeroed memory holds them as they are.
TelemetryStore::Storage* TelemetryStore::Zeroed_Storage() {
  void* memory = std::calloc(1, sizeof(TelemetryStore::Storage));
  if (!memory) throw std::bad_alloc();
  return static_cast<TelemetryStore::Storage*>(memory);
}

TelemetryStore::TelemetryStore() : storage_(Zeroed_Storage()), series_(storage_->series) {}

std::uint32_t TelemetryStore::Add_Label(std::string_view label) {
  storage_->labels[label_count_].Assign(label);
  return label_count_++;
}

bool TelemetryStore::Append_Sample(int c, double value, std::string_view label) {
  ChannelSeries& s = series_[static_cast<std::size_t>(c)];
  if (s.count >= kSeriesCapacity) return false;
  const auto slot = static_cast<std::size_t>(s.count);
  s.values[slot] = value;
  label = Stored_Part(label);
  const std::uint32_t newest = label_count_ - 1;
  s.label_index[slot] = storage_->labels[newest].Holds(label) ? newest : Add_Label(label);
  ++s.count;
  return true;
}

void TelemetryStore::Reset_Store() {
  // Slots beyond the count already hold 0 and the empty label, so clearing the used ones
  // restores the whole series.
  for (int c = 1; c < kChannelCount; ++c) {
    ChannelSeries& s = series_[static_cast<std::size_t>(c)];
    const auto used = static_cast<std::size_t>(s.count);
    std::fill_n(s.values.begin(), used, 0.0);
    std::fill_n(s.label_index.begin(), used, 0u);
    s.count = 0;
  }
  Keep_Channel_Zero_Labels();
}

// Channel 0 keeps its samples, so its labels move to the front of the table and the rest is
// free again. Entries are handed out in rising order, so a channel's entries never fall from
// slot to slot and each label moves only towards the front, over an entry already moved.
void TelemetryStore::Keep_Channel_Zero_Labels() {
  ChannelSeries& zero = series_[0];
  std::uint32_t kept = 0;
  std::uint32_t previous = 0;
  for (std::size_t slot = 0; slot < static_cast<std::size_t>(zero.count); ++slot) {
    const std::uint32_t entry = zero.label_index[slot];
    if (entry != previous) {
      storage_->labels[++kept] = storage_->labels[entry];
      previous = entry;
    }
    zero.label_index[slot] = kept;
  }
  label_count_ = kept + 1;
}

}  // namespace orvelt

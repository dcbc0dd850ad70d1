#include "decode/telemetry_store.hpp"

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

std::uint32_t TelemetryStore::Label_Entry(std::string_view label) {
  label = Stored_Part(label);
  if (storage_->labels[label_count_ - 1].Holds(label)) return label_count_ - 1;
  storage_->labels[label_count_].Assign(label);
  return label_count_;
}

void TelemetryStore::Reset_Store() {
  // Slots beyond a count read as empty whatever they hold, so a reload does not first write the
  // whole store over with zeros.
  for (int c = 1; c < kChannelCount; ++c) series_[static_cast<std::size_t>(c)].count = 0;
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
    const std::uint32_t entry = zero.samples[slot].label;
    if (entry != previous) {
      storage_->labels[++kept] = storage_->labels[entry];
      previous = entry;
    }
    zero.samples[slot].label = kept;
  }
  label_count_ = kept + 1;
}

}  // namespace orvelt

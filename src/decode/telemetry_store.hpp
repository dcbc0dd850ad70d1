#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "decode/downlink.hpp"
#include "decode/time_label.hpp"

namespace orvelt {

inline constexpr int kSeriesCapacity = 5000;

// A time label as stored: at most 19 single-byte characters, held inline so that storing one
// needs no allocation.
struct StoredLabel {
  std::uint8_t length = 0;
  std::array<char, kTimeLabelMax> chars{};

  std::string_view view() const { return {chars.data(), length}; }

  // Labels are nearly always whole "YYYY-MM-DD HH:MM:SS": a comparison or a copy of that fixed
  // size is a couple of moves, where one of any size is a library call per sample.
  bool Holds(std::string_view label) const {
    if (label.size() == kTimeLabelMax) {
      return length == kTimeLabelMax && std::memcmp(chars.data(), label.data(), kTimeLabelMax) == 0;
    }
    return view() == label;
  }
  // Takes label, which is at most 19 characters.
  void Assign(std::string_view label) {
    length = static_cast<std::uint8_t>(label.size());
    if (label.size() == kTimeLabelMax) {
      std::memcpy(chars.data(), label.data(), kTimeLabelMax);
    } else {
      std::copy_n(label.data(), label.size(), chars.begin());
    }
  }
};

// The first 19 characters of label, as a label is stored.
inline std::string_view Stored_Part(std::string_view label) {
  return {label.data(), std::min(label.size(), kTimeLabelMax)};
}

struct StoredSample {
  double value = 0;
  std::uint32_t label = 0;  // the sample's entry in the store's table of time labels
};

struct ChannelSeries {
  std::int32_t count = 0;
  std::array<StoredSample, kSeriesCapacity> samples{};
};

// The history of every channel: 54 series of up to 5000 samples, each stamped with the time
// label current when it was appended. A label is kept once in a table and each sample holds its
// 4-byte entry number beside its value: a capture stamps many samples with one label, so a
// sample takes 16 bytes where a label of its own would make it 28, and an append writes to one
// place per channel, not two. Allocated once; emptied, never freed. The memory comes zeroed and
// is touched only where samples and labels are written, so a program that loads a short capture
// (or none) does not pay for the whole store in time or resident memory; emptying sets the
// counts back and leaves the samples to be written over.
class TelemetryStore {
 public:
  using AllSeries = std::array<ChannelSeries, kChannelCount>;

  TelemetryStore();

  // Appends value to channel c, stamped with label (cut to 19 characters). Returns false,
  // changing nothing, when the channel already holds 5000 samples.
  bool Append_Sample(int c, double value, std::string_view label) {
    return Append_Sample_As(c, value, Label_Entry(label));
  }

  // For a run of appends under one label: the entry that Append_Sample_As stamps them with. The
  // label becomes an entry of the table only with the first sample that takes it, so a label no
  // sample takes costs none. The entry holds until another label is given an entry or a sample
  // is appended under another entry.
  std::uint32_t Label_Entry(std::string_view label);
  // Appends value to channel c stamped with `entry`, from Label_Entry. Returns false, changing
  // nothing, when the channel already holds 5000 samples. Nothing is compared or called: a
  // load appends a sample or two per frame.
  bool Append_Sample_As(int c, double value, std::uint32_t entry) {
    ChannelSeries& s = series_[static_cast<std::size_t>(c)];
    if (Full(s)) return false;
    s.samples[static_cast<std::size_t>(s.count)] = {value, entry};
    ++s.count;
    label_count_ = entry + 1;
    return true;
  }

  // Empties channels 1..53 (channel 0 is never written).
  void Reset_Store();

  std::int32_t Count(int c) const { return series_[static_cast<std::size_t>(c)].count; }
  // Slot 1..5000 of channel c; slots beyond the count read 0 and an empty label. A label stays
  // valid until the store is emptied.
  double Value(int c, int slot) const {
    const ChannelSeries& s = series_[static_cast<std::size_t>(c)];
    return In_Use(s, slot) ? s.samples[static_cast<std::size_t>(slot - 1)].value : 0.0;
  }
  std::string_view Label(int c, int slot) const {
    const ChannelSeries& s = series_[static_cast<std::size_t>(c)];
    const std::uint32_t entry =
        In_Use(s, slot) ? s.samples[static_cast<std::size_t>(slot - 1)].label : 0;
    return storage_->labels[entry].view();
  }
  // Entries of the label table in use, the empty label included.
  std::size_t Label_Count() const { return label_count_; }

 private:
  // Entry 0 is the empty label that slots beyond a count read. A sample adds an entry only when
  // its label differs from the newest one, so the table can never hold more entries than the
  // store holds samples, plus that one, plus the one Label_Entry may have written ahead.
  static constexpr std::size_t kLabelCapacity =
      static_cast<std::size_t>(kChannelCount) * kSeriesCapacity + 2;
  struct Storage {
    AllSeries series;
    std::array<StoredLabel, kLabelCapacity> labels;
  };
  static Storage* Zeroed_Storage();
  static bool In_Use(const ChannelSeries& s, int slot) { return slot >= 1 && slot <= s.count; }
  static bool Full(const ChannelSeries& s) { return s.count >= kSeriesCapacity; }

  void Keep_Channel_Zero_Labels();

  struct Free {
    void operator()(Storage* storage) const { std::free(storage); }
  };
  std::unique_ptr<Storage, Free> storage_;
  AllSeries& series_;
  std::uint32_t label_count_ = 1;
};

}  // namespace orvelt

#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "decode/downlink.hpp"

namespace orvelt {

inline constexpr int kSeriesCapacity = 5000;

// A time label as stored with a sample: at most 19 single-byte characters, held inline so
// that a full store needs no allocation per sample.
struct StoredLabel {
  std::uint8_t length = 0;
  std::array<char, kTimeLabelMax> chars{};

  std::string_view view() const { return {chars.data(), length}; }
};

struct ChannelSeries {
  std::int32_t count = 0;
  std::array<double, kSeriesCapacity> values{};
  std::array<StoredLabel, kSeriesCapacity> labels{};
};

// The history of every channel: 54 series of up to 5000 samples, each stamped with the time
// label current when it was appended. Allocated once; emptied, never freed. The 7 MB come as
// zeroed memory that is touched only where samples are written, so a program that loads a
// short capture (or none) does not pay for the whole store in time or resident memory.
class TelemetryStore {
 public:
  using AllSeries = std::array<ChannelSeries, kChannelCount>;

  TelemetryStore();

  // Appends value to channel c, stamped with label (cut to 19 characters). Returns false,
  // changing nothing, when the channel already holds 5000 samples.
  bool Append_Sample(int c, double value, std::string_view label);

  // Empties channels 1..53 (channel 0 is never written).
  void Reset_Store();

  std::int32_t Count(int c) const { return series_[static_cast<std::size_t>(c)].count; }
  // Slot 1..5000 of channel c; slots beyond the count read 0 and an empty label.
  double Value(int c, int slot) const {
    return series_[static_cast<std::size_t>(c)].values[static_cast<std::size_t>(slot - 1)];
  }
  std::string_view Label(int c, int slot) const {
    return series_[static_cast<std::size_t>(c)].labels[static_cast<std::size_t>(slot - 1)].view();
  }
  const ChannelSeries& Series(int c) const { return series_[static_cast<std::size_t>(c)]; }

 private:
  struct Free {
    void operator()(AllSeries* series) const { std::free(series); }
  };
  std::unique_ptr<AllSeries, Free> storage_;
  AllSeries& series_;
};

}  // namespace orvelt

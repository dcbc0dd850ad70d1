#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive.hpp"
#include "decode/channel_limits.hpp"

namespace orvelt {

// Writes the samples of the channels as orvelt-dump's CSV does (channel, caption, unit, sample,
// time, value) or as JSON Lines, time in UTC; the lines go to `write` in pieces. Gives the
// number of samples, or the archive's error.
Result<std::int64_t> Export_Samples(Archive& archive, const std::vector<int>& channels,
                                    UtcSeconds from, UtcSeconds to, bool json,
                                    const std::function<void(std::string_view)>& write);

// One CSV line per pass: start, end, frames, sources, then min, max and mean of each channel,
// and with `limits` the channels' values outside their limits.
Result<std::int64_t> Write_Passes(Archive& archive, const std::vector<int>& channels,
                                  UtcSeconds from, UtcSeconds to, const LimitTable* limits,
                                  const std::function<void(std::string_view)>& write);

}  // namespace orvelt

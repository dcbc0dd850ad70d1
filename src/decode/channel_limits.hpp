#pragma once

#include <array>
#include <optional>
#include <string>

#include "base/result.hpp"
#include "decode/downlink.hpp"

namespace orvelt {

// The range a station expects a channel's values in; either end may be open.
struct ChannelLimits {
  std::optional<double> lower;
  std::optional<double> upper;
};

enum class LimitCheck { Within, Below, Above };

// Where `value` lies against `limits`; a limit itself is still within. A value that is no
// number (NaN) lies nowhere and counts as within.
LimitCheck Check_Limits(const ChannelLimits& limits, double value);

// Limits of every channel; none are set unless the station sets them.
using LimitTable = std::array<ChannelLimits, kChannelCount>;

// "lower..upper" with an open end left empty ("7.0..", "..8.4"); empty when no limit is set.
std::string Limits_Text(const ChannelLimits& limits);
// Reads that form back (".." sets no limit), or says why the text is not one.
Result<ChannelLimits> Parse_Limits(const std::string& text);

}  // namespace orvelt

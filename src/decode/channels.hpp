#pragma once

#include <string_view>

#include "decode/downlink.hpp"

namespace orvelt {

// The name and unit of a channel as the station's operators know it ("Battery 0 Volt", "V").
struct ChannelName {
  std::string_view caption;  // UTF-8
  std::string_view unit;     // empty where the channel has none
};

// Name of channel index 0..53; an empty name for indexes without a channel.
ChannelName Channel_Name(int index);

// Caption of channel index i, empty when there is none.
inline std::string_view Channel_Caption(int index) {
  return Channel_Name(index).caption;
}

// Unit text of channel index i, empty when there is none.
inline std::string_view Channel_Unit(int index) {
  return Channel_Name(index).unit;
}

}  // namespace orvelt

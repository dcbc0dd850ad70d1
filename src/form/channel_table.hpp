#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "decode/channels.hpp"

namespace orvelt {

// Channel indexes 0..53 have a series in the store; 58..65 are the switch status boxes.
inline constexpr int kControlIndexCount = 66;
inline constexpr int kFirstStatusBox = 58;
inline constexpr int kLastStatusBox = 65;

// Number of channel indexes that have a selector and a value box.
inline constexpr std::size_t kChannelControlCount = 34;

// The frames of the window that hold channel controls.
enum class Place { Hidden, Frame1, Frame6, Frame7 };

// How the record display writes a channel's value.
enum class ValueFormat { TwoDecimals, WholeNumber, SecondsAndDate };

struct ChannelInfo {
  int index = 0;
  bool has_unit_label = false;  // index 7 has a label with an empty text
  Place place = Place::Hidden;
  int row = 0;     // 1-based row within the frame's grid
  int column = 0;  // 1-based column within the frame's grid
  bool decoded = false;
  ValueFormat format = ValueFormat::TwoDecimals;
};

// The channel that owns index i (selector, value box and unit), or nothing when the index
// has no channel controls. Status boxes 58..65 are not channels.
const ChannelInfo* Channel_Info(int index);

// Every channel with controls, in ascending index order.
const std::array<ChannelInfo, kChannelControlCount>& Channel_Table();

// Row of Frame6 (1..8) that a status box 58..65 belongs to.
inline constexpr int Status_Box_Row(int index) {
  return index - kFirstStatusBox + 1;
}

}  // namespace orvelt

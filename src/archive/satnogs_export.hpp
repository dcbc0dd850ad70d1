#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "archive/utc_time.hpp"

namespace orvelt {

// The network database sends and exports a frame as the hex of its bytes after the KISS command
// byte; the longest frame the decoder takes then has 511 bytes.
inline constexpr std::size_t kMaxNetworkFrameBytes = 511;

// The frame as the decoder takes it: the KISS command byte 0 put back in front of the bytes.
struct NetworkFrame {
  UtcSeconds time = 0;
  std::vector<std::uint8_t> bytes;
};

// Hex digits (either case) of a frame after its command byte, as a frame with its command byte;
// spaces between two bytes are passed over. Nothing when the text holds no byte, half a byte, a
// space within a byte, more than a frame, or anything but hex digits and spaces.
std::optional<std::vector<std::uint8_t>> Network_Frame_Bytes(std::string_view hex);

// One line "timestamp|hexframe" of a frame export of the network database (a trailing carriage
// return is allowed). Nothing when the line is not one.
std::optional<NetworkFrame> Parse_Export_Line(std::string_view line);

// Whether a file starting with these bytes is a frame export rather than a KISS capture: its
// first line reads as an export line, after the byte order mark that editors and spreadsheets
// on some systems write first. A capture starts with a FEND, which no export line holds.
bool Is_Frame_Export(std::span<const std::uint8_t> head);

// The line without the UTF-8 byte order mark it may start with.
std::string_view Without_Byte_Order_Mark(std::string_view line);

}  // namespace orvelt

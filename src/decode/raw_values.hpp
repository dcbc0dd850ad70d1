#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace orvelt {

// Called when Bytes_To_Value is asked for a start beyond its end; the window shows it as an
// information box. Nothing is called when it is empty.
using MessageSink = std::function<void(const char*)>;

inline constexpr const char* kStartAfterEndMessage =
    "Start record can not be greater then End record...!";

// Turns bytes[first..last] (least significant first) into a number. When `is_unsigned` is
// false the byte at `last` is a two's-complement sign byte. A `last` below 1 is replaced by the
// array's upper bound (and the caller's variable receives it). Returns -1 after reporting when
// first lies outside 0..last, and 0 when a position is outside the array.
double Bytes_To_Value(std::span<const std::uint8_t> bytes, std::int32_t first, std::int32_t& last,
                      bool is_unsigned, const MessageSink& message = {});

// The decoder reads every record's words through these, so they assemble the bytes directly;
// they give exactly what Bytes_To_Value gives over the same bytes.

// Signed 32-bit big-endian word at frame bytes p..p+3 (p = most significant byte).
inline std::int32_t Read_Int32_BE(std::span<const std::uint8_t> frame, int p) {
  const auto at = [&](int k) -> std::uint32_t { return frame[static_cast<std::size_t>(p + k)]; };
  return static_cast<std::int32_t>(at(0) << 24 | at(1) << 16 | at(2) << 8 | at(3));
}

// Signed 16-bit little-endian word at frame bytes p (low) and p+1 (high).
inline std::int16_t Read_Int16_LE(std::span<const std::uint8_t> frame, int p) {
  const auto at = [&](int k) -> unsigned { return frame[static_cast<std::size_t>(p + k)]; };
  return static_cast<std::int16_t>(at(1) << 8 | at(0));
}

}  // namespace orvelt

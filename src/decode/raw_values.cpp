#include "decode/raw_values.hpp"

#include <array>
#include <cassert>

namespace orvelt {

double Bytes_To_Value(std::span<const std::uint8_t> bytes, std::int32_t first, std::int32_t& last,
                      bool is_unsigned, const MessageSink& message) {
  const auto upper = static_cast<std::int32_t>(bytes.size()) - 1;
  if (last < 1) last = upper;
  if (first < 0 || first > last) {
    if (message) message(kStartAfterEndMessage);
    return -1;
  }
  // The position counter of the routine is a 16-bit integer; beyond it, or beyond the array,
  // the routine gives 0.
  if (last > upper || last > 32766) return 0;
  double value = bytes[static_cast<std::size_t>(first)];
  double multiplier = 1;
  for (std::int32_t i = first + 1; i <= last; ++i) {
    multiplier = multiplier * 256;
    double b = bytes[static_cast<std::size_t>(i)];
    if (i == last && b >= 128 && !is_unsigned) b = b - 256;
    value = value + b * multiplier;
  }
  return value;
}

std::int32_t Read_Int32_BE(std::span<const std::uint8_t> frame, int p) {
  assert(p >= 0 && static_cast<std::size_t>(p) + 4 <= frame.size());
  const auto at = [&](int k) { return frame[static_cast<std::size_t>(p + k)]; };
  // Positions 1..4 hold the word least significant first; position 0 is unused.
  const std::array<std::uint8_t, 5> bytes{0, at(3), at(2), at(1), at(0)};
  std::int32_t last = 4;
  return static_cast<std::int32_t>(Bytes_To_Value(bytes, 1, last, false));
}

std::int16_t Read_Int16_LE(std::span<const std::uint8_t> frame, int p) {
  assert(p >= 0 && static_cast<std::size_t>(p) + 2 <= frame.size());
  const auto at = [&](int k) { return frame[static_cast<std::size_t>(p + k)]; };
  const std::array<std::uint8_t, 3> bytes{0, at(0), at(1)};
  std::int32_t last = 2;
  return static_cast<std::int16_t>(Bytes_To_Value(bytes, 1, last, false));
}

}  // namespace orvelt

#include "decode/raw_values.hpp"

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

}  // namespace orvelt

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orvelt {

// Copies n bytes from `from` to `to`, which may overlap. Telemetry frames are 8 to 16 bytes
// long: two word moves copy one of them, where a library call costs more than the copy.
inline void Copy_Short(std::uint8_t* to, const std::uint8_t* from, std::size_t n) {
  if (n >= 8 && n <= 16) {
    std::uint64_t head;
    std::uint64_t tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + n - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + n - 8, &tail, 8);
  } else if (n > 0) {
    std::memmove(to, from, n);
  }
}

}  // namespace orvelt

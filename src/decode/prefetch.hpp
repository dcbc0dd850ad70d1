#pragma once

namespace orvelt {

// Asks for the cache line holding `address` ahead of a write to it. A load appends to dozens of
// series in turn, more streams than a processor follows by itself, so without it every few
// samples wait for a line of the store to come in from memory.
inline void Prefetch_For_Write(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address, 1);
#else
  static_cast<void>(address);
#endif
}

}  // namespace orvelt

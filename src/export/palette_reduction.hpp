#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orvelt {

// A picture reduced to a colour table, as a PNG with a palette stores it.
struct IndexedPixels {
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::uint8_t> indexes;   // one palette entry per pixel, in the pixels' order
  int transparent_index = -1;          // entry of the transparent colour; -1 when no pixel had it
};

// Reduces 0x??RRGGBB pixels (the top byte is ignored) to at most `max_colours` (1..256) palette
// entries. Pixels of exactly the `transparent` colour get an entry of their own that no other
// pixel shares, so only they turn transparent. A picture with few enough colours keeps them
// exactly; otherwise the rest are grouped by median cut, each group drawn in its mean colour.
IndexedPixels Reduce_To_Palette(std::span<const std::uint32_t> pixels, std::uint32_t transparent,
                                std::size_t max_colours = 256);

}  // namespace orvelt

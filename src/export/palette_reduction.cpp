#include "export/palette_reduction.hpp"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <unordered_map>

namespace orvelt {

namespace {

constexpr std::uint32_t kRgbMask = 0xFFFFFF;

struct ColourCount {
  std::uint32_t colour;
  std::uint64_t count;
};

int Channel(std::uint32_t colour, int channel) {
  return (colour >> (16 - 8 * channel)) & 0xFF;
}

// A group of distinct colours, a range [begin, end) of the colour list.
struct Box {
  std::size_t begin;
  std::size_t end;
  int widest_channel = 0;
  int width = 0;  // extent along the widest channel; 0 when the box cannot be split
};

Box Measure(const std::vector<ColourCount>& colours, std::size_t begin, std::size_t end) {
  std::array<int, 3> low{255, 255, 255};
  std::array<int, 3> high{0, 0, 0};
  for (std::size_t i = begin; i < end; ++i) {
    for (int c = 0; c < 3; ++c) {
      low[c] = std::min(low[c], Channel(colours[i].colour, c));
      high[c] = std::max(high[c], Channel(colours[i].colour, c));
    }
  }
  Box box{begin, end};
  for (int c = 0; c < 3; ++c) {
    if (high[c] - low[c] > box.width) {
      box.width = high[c] - low[c];
      box.widest_channel = c;
    }
  }
  return box;
}

// Splits the box at the pixel-weighted median of its widest channel; both halves keep at least
// one colour.
std::pair<Box, Box> Split(std::vector<ColourCount>& colours, const Box& box) {
  const auto first = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
  const auto last = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
  std::sort(first, last, [&](const ColourCount& a, const ColourCount& b) {
    return Channel(a.colour, box.widest_channel) < Channel(b.colour, box.widest_channel);
  });
  std::uint64_t total = 0;
  for (auto it = first; it != last; ++it) total += it->count;
  std::uint64_t running = 0;
  std::size_t cut = box.begin + 1;
  for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
    running += colours[i].count;
    cut = i + 1;
    if (2 * running >= total) break;
  }
  return {Measure(colours, box.begin, cut), Measure(colours, cut, box.end)};
}

std::uint32_t Mean_Colour(const std::vector<ColourCount>& colours, const Box& box) {
  std::array<std::uint64_t, 3> sum{};
  std::uint64_t total = 0;
  for (std::size_t i = box.begin; i < box.end; ++i) {
    for (int c = 0; c < 3; ++c) sum[c] += Channel(colours[i].colour, c) * colours[i].count;
    total += colours[i].count;
  }
  std::uint32_t mean = 0;
  for (int c = 0; c < 3; ++c) {
    mean = (mean << 8) | static_cast<std::uint32_t>((sum[c] + total / 2) / total);
  }
  return mean;
}

}  // namespace

IndexedPixels Reduce_To_Palette(std::span<const std::uint32_t> pixels, std::uint32_t transparent,
                                std::size_t max_colours) {
  if (max_colours < 1 || max_colours > 256) {
    throw std::invalid_argument("Reduce_To_Palette: max_colours must be 1..256");
  }
  transparent &= kRgbMask;

  std::unordered_map<std::uint32_t, std::uint64_t> counts;
  bool has_transparent = false;
  for (const std::uint32_t pixel : pixels) {
    const std::uint32_t colour = pixel & kRgbMask;
    if (colour == transparent) {
      has_transparent = true;
    } else {
      ++counts[colour];
    }
  }

  IndexedPixels result;
  std::unordered_map<std::uint32_t, std::uint8_t> index_of;
  if (has_transparent) {
    result.transparent_index = 0;
    result.palette.push_back(transparent);
    index_of[transparent] = 0;
  }
  const std::size_t budget = max_colours - result.palette.size();
  if (budget == 0 && !counts.empty()) {
    throw std::invalid_argument("Reduce_To_Palette: no palette entry left for opaque colours");
  }

  std::vector<ColourCount> colours;
  colours.reserve(counts.size());
  for (const auto& [colour, count] : counts) colours.push_back({colour, count});
  // A fixed order makes the palette the same on every run for the same picture.
  std::sort(colours.begin(), colours.end(),
            [](const ColourCount& a, const ColourCount& b) { return a.colour < b.colour; });

  std::vector<Box> boxes;
  if (!colours.empty()) boxes.push_back(Measure(colours, 0, colours.size()));
  while (boxes.size() < budget) {
    const auto widest = std::max_element(
        boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.width < b.width; });
    if (widest == boxes.end() || widest->width == 0) break;  // every box holds one colour
    const auto [low, high] = Split(colours, *widest);
    *widest = low;
    boxes.push_back(high);
  }

  for (const Box& box : boxes) {
    const auto entry = static_cast<std::uint8_t>(result.palette.size());
    result.palette.push_back(box.end - box.begin == 1 ? colours[box.begin].colour
                                                      : Mean_Colour(colours, box));
    for (std::size_t i = box.begin; i < box.end; ++i) index_of[colours[i].colour] = entry;
  }

  result.indexes.reserve(pixels.size());
  for (const std::uint32_t pixel : pixels) result.indexes.push_back(index_of[pixel & kRgbMask]);
  return result;
}

}  // namespace orvelt

#pragma once

#include <cstdint>
#include <vector>

#include "archive/utc_time.hpp"

namespace orvelt {

// Frames less than ten minutes apart belong to one pass; a longer silence ends it.
inline constexpr UtcSeconds kPassGapSeconds = 600;

// The frames of one minute: how many, and the first and last second that holds one.
struct MinuteFrames {
  UtcSeconds first = 0;
  UtcSeconds last = 0;
  std::int64_t frames = 0;
};

struct PassSpan {
  UtcSeconds start = 0;
  UtcSeconds end = 0;
  std::int64_t frames = 0;
};

// Groups minutes, given in time order, into passes. Within a minute no gap reaches ten minutes,
// so the first and last second of each minute are enough to find every pass exactly.
class PassFinder {
 public:
  void Add(const MinuteFrames& minute);
  // The passes so far, the last one still open to further minutes.
  const std::vector<PassSpan>& passes() const { return passes_; }

 private:
  std::vector<PassSpan> passes_;
};

}  // namespace orvelt

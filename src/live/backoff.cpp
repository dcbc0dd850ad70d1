#include "live/backoff.hpp"

#include <algorithm>

namespace orvelt {

std::int64_t Backoff_Delay_Ms(const BackoffTiming& timing, int attempt) {
  const std::int64_t longest = std::max<std::int64_t>(timing.longest_ms, 0);
  std::int64_t delay = std::clamp<std::int64_t>(timing.first_ms, 0, longest);
  // Doubling stops as soon as it reaches the longest delay, so no count of attempts overflows.
  for (int k = 0; k < attempt && delay < longest; ++k) delay = std::min(delay * 2, longest);
  return delay;
}

}  // namespace orvelt

#include "net/backoff.hpp"

#include <algorithm>

namespace orvelt {

std::int64_t Backoff_Delay_Ms(const BackoffTiming& timing, int failures) {
  const std::int64_t longest = std::max<std::int64_t>(timing.longest_ms, 0);
  std::int64_t delay = std::clamp<std::int64_t>(timing.first_ms, 0, longest);
  // Doubling stops as soon as it reaches the longest delay, so no count of failures overflows.
  for (int k = 1; k < failures && delay > 0 && delay < longest; ++k) {
    delay = delay <= longest / 2 ? delay * 2 : longest;
  }
  return delay;
}

std::int64_t Wait_Before_Retry_Ms(const BackoffTiming& timing, int http_status, int failures,
                                  std::optional<std::int64_t> retry_after_ms) {
  if ((http_status == 429 || http_status == 503) && retry_after_ms) {
    return std::clamp<std::int64_t>(*retry_after_ms, 0,
                                    std::max<std::int64_t>(timing.longest_ms, 0));
  }
  return Backoff_Delay_Ms(timing, failures);
}

}  // namespace orvelt

#include "forward/retry_policy.hpp"

#include <algorithm>

namespace orvelt {

DeliveryOutcome Classify_Answer(int http_status) {
  if (http_status >= 200 && http_status < 300) return DeliveryOutcome::kSent;
  if (http_status == 0 || http_status == 408 || http_status == 429 ||
      (http_status >= 500 && http_status < 600)) {
    return DeliveryOutcome::kRetry;
  }
  return DeliveryOutcome::kRejected;
}

std::int64_t Retry_Delay_Ms(int failures, const RetryDelays& delays) {
  std::int64_t delay = std::max<std::int64_t>(delays.first_ms, 0);
  for (int i = 1; i < failures && delay > 0 && delay < delays.longest_ms; ++i) {
    delay = delay <= delays.longest_ms / 2 ? delay * 2 : delays.longest_ms;
  }
  return std::min(delay, delays.longest_ms);
}

std::int64_t Wait_Before_Retry_Ms(int http_status, int failures,
                                  std::optional<std::int64_t> retry_after_ms,
                                  const RetryDelays& delays) {
  if ((http_status == 429 || http_status == 503) && retry_after_ms) {
    return std::clamp<std::int64_t>(*retry_after_ms, 0,
                                    std::max<std::int64_t>(delays.longest_ms, 0));
  }
  return Retry_Delay_Ms(failures, delays);
}

}  // namespace orvelt

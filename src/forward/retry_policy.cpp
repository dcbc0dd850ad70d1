#include "forward/retry_policy.hpp"

namespace orvelt {

DeliveryOutcome Classify_Answer(int http_status) {
  if (http_status >= 200 && http_status < 300) return DeliveryOutcome::kSent;
  if (http_status < 200 || http_status == 408 || http_status == 429 ||
      (http_status >= 500 && http_status < 600)) {
    return DeliveryOutcome::kRetry;
  }
  return DeliveryOutcome::kRejected;
}

}  // namespace orvelt

#pragma once

#include <cstdint>

namespace orvelt {

// What a server's answer means for the frame it was about.
enum class DeliveryOutcome {
  kSent,      // confirmed: never sent to that server again
  kRetry,     // try again later: nothing was taken
  kRejected,  // final: kept with the answer for the user to look at
};

// `http_status` 0 stands for no answer at all (refused, reset, time-out). 2xx is sent; no
// answer, 5xx, 408 and 429 are retried (the server asks to come back later); every other answer
// is final, 3xx included, since following a redirect could turn the report into a GET.
DeliveryOutcome Classify_Answer(int http_status);

struct RetryDelays {
  std::int64_t first_ms = 5'000;
  std::int64_t longest_ms = 600'000;
};

// Wait before the next attempt after `failures` failed attempts in a row (1 or more): the
// first delay, doubled per further failure, never more than the longest.
std::int64_t Retry_Delay_Ms(int failures, const RetryDelays& delays = {});

}  // namespace orvelt

#pragma once

#include <cstdint>
#include <optional>

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

// Wait before the next attempt after an answer of `http_status` (0: none): what the server asked
// for with Retry-After on 429 and 503 (never more than the longest delay), else
// Retry_Delay_Ms.
std::int64_t Wait_Before_Retry_Ms(int http_status, int failures,
                                  std::optional<std::int64_t> retry_after_ms,
                                  const RetryDelays& delays = {});

}  // namespace orvelt

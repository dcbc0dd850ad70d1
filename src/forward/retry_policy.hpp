#pragma once

#include "net/backoff.hpp"

namespace orvelt {

// What a server's answer means for the frame it was about.
enum class DeliveryOutcome {
  kSent,      // confirmed: never sent to that server again
  kRetry,     // try again later: nothing was taken
  kRejected,  // final: kept with the answer for the user to look at
};

// `http_status` 0 stands for no answer at all (refused, reset, time-out, a connection closed
// after an interim answer). 2xx is sent; no answer, an interim answer, 5xx, 408 and 429 are
// retried (the server asks to come back later); every other answer is final, 3xx included,
// since following a redirect could turn the report into a GET.
DeliveryOutcome Classify_Answer(int http_status);

// Waits between attempts to deliver to one server: 5 s after the first failure, up to 10 min.
inline constexpr BackoffTiming kReportRetry{5'000, 600'000};

}  // namespace orvelt

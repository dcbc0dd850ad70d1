#pragma once

#include <cstdint>
#include <optional>

namespace orvelt {

// How long to wait before trying again after failures in a row: the first delay after the first
// failure, doubled after each further one, never more than the longest. Each user keeps its own
// times (a TNC is tried again within seconds, a telemetry server within minutes) and tests
// shorten them.
struct BackoffTiming {
  std::int64_t first_ms = 1000;
  std::int64_t longest_ms = 30000;
};

// The wait after `failures` failed attempts in a row (1 or more; 0 counts as 1).
std::int64_t Backoff_Delay_Ms(const BackoffTiming& timing, int failures);

// The wait after an answer of `http_status` (0: none) that came after `failures` failed attempts
// in a row: what the server asked for with Retry-After on 429 and 503 (never more than the
// longest delay), else Backoff_Delay_Ms.
std::int64_t Wait_Before_Retry_Ms(const BackoffTiming& timing, int http_status, int failures,
                                  std::optional<std::int64_t> retry_after_ms);

// Counts failed attempts in a row; a success starts the count again.
class Backoff {
 public:
  explicit Backoff(BackoffTiming timing = {}) : timing_(timing) {}

  // Counts one more failure and gives the wait before the next attempt.
  std::int64_t Next_Delay_Ms() { return Backoff_Delay_Ms(timing_, ++failures_); }
  void Reset() { failures_ = 0; }
  int failures() const { return failures_; }
  const BackoffTiming& timing() const { return timing_; }

 private:
  BackoffTiming timing_;
  int failures_ = 0;
};

}  // namespace orvelt

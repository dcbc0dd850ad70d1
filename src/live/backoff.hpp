#pragma once

#include <cstdint>

namespace orvelt {

// How long to wait before each new attempt to reach a TNC: the first delay, doubling after
// every failed attempt up to the longest. The times are settings so that tests need not wait.
struct BackoffTiming {
  std::int64_t first_ms = 1000;
  std::int64_t longest_ms = 30000;
};

// The delay before retry number `attempt` (0 for the first retry after a failure).
std::int64_t Backoff_Delay_Ms(const BackoffTiming& timing, int attempt);

// Counts failed attempts in a row; a connection that came up starts the count again.
class Backoff {
 public:
  explicit Backoff(BackoffTiming timing = {}) : timing_(timing) {}

  // The delay before the next attempt, counting this failure.
  std::int64_t Next_Delay_Ms() { return Backoff_Delay_Ms(timing_, attempt_++); }
  void Reset() { attempt_ = 0; }
  const BackoffTiming& timing() const { return timing_; }

 private:
  BackoffTiming timing_;
  int attempt_ = 0;
};

}  // namespace orvelt

#include "net/backoff.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

TEST(Backoff_Delay_Ms, DoublesFromTheFirstDelayUpToTheLongest) {
  const struct {
    int failures;
    BackoffTiming timing;
    std::int64_t ms;
  } cases[] = {
      {1, {}, 1'000},
      {2, {}, 2'000},
      {5, {}, 16'000},
      {6, {}, 30'000},
      {1 << 30, {}, 30'000},
      {0, {5'000, 600'000}, 5'000},
      {8, {5'000, 600'000}, 600'000},
      {3, {50, 120}, 120},
      {1'000'000, {0, 100}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Backoff_Delay_Ms(c.timing, c.failures), c.ms) << c.failures;
  // The counter counts the same way and starts again after a success.
  Backoff backoff({1'000, 30'000});
  for (const std::int64_t ms : {1'000, 2'000, 4'000}) EXPECT_EQ(backoff.Next_Delay_Ms(), ms);
  backoff.Reset();
  EXPECT_EQ(backoff.Next_Delay_Ms(), 1'000);
}

TEST(Wait_Before_Retry_Ms, RetryAfterHonouredOnlyOn429And503) {
  const BackoffTiming timing{5'000, 600'000};
  const struct {
    int status;
    std::optional<std::int64_t> asked;
    std::int64_t wait_ms;
  } cases[] = {
      {429, 30'000, 30'000},     {503, 0, 0},
      {503, 3'600'000, 600'000},  // never longer than the longest delay
      {500, 30'000, 10'000},     {429, std::nullopt, 10'000},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Wait_Before_Retry_Ms(timing, c.status, 2, c.asked), c.wait_ms);
}

}  // namespace
}  // namespace orvelt

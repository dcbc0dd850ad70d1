#include "forward/retry_policy.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace orvelt {
namespace {

TEST(Classify_Answer, SentRetriedOrFinal) {
  using enum DeliveryOutcome;
  const std::pair<DeliveryOutcome, std::vector<int>> cases[] = {
      {kSent, {200, 204, 299}},
      {kRetry, {0, 408, 429, 500, 599}},
      {kRejected, {100, 199, 300, 301, 400, 404, 600}},
  };
  for (const auto& [outcome, statuses] : cases) {
    for (const int status : statuses) EXPECT_EQ(Classify_Answer(status), outcome) << status;
  }
}

TEST(Retry_Delay_Ms, DoublesFromTheFirstDelayUpToTheLongest) {
  const struct {
    int failures;
    RetryDelays delays;
    std::int64_t ms;
  } cases[] = {
      {1, {}, 5'000},           {2, {}, 10'000},     {7, {}, 320'000},         {8, {}, 600'000},
      {1'000'000, {}, 600'000}, {3, {50, 120}, 120}, {1'000'000, {0, 100}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Retry_Delay_Ms(c.failures, c.delays), c.ms) << c.failures;
}

TEST(Wait_Before_Retry_Ms, RetryAfterHonouredOnlyOn429And503) {
  const struct {
    int status;
    std::optional<std::int64_t> asked;
    std::int64_t wait_ms;
  } cases[] = {
      {429, 30'000, 30'000},     {503, 0, 0},
      {503, 3'600'000, 600'000},  // never longer than the longest delay
      {500, 30'000, 10'000},     {429, std::nullopt, 10'000},
  };
  for (const auto& c : cases) EXPECT_EQ(Wait_Before_Retry_Ms(c.status, 2, c.asked), c.wait_ms);
}

}  // namespace
}  // namespace orvelt

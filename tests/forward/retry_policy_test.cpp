#include "forward/retry_policy.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace orvelt {
namespace {

TEST(Classify_Answer, SentRetriedOrFinal) {
  using enum DeliveryOutcome;
  const std::pair<DeliveryOutcome, std::vector<int>> cases[] = {
      {kSent, {200, 201, 204}},
      {kRetry, {0, 500, 503, 408, 429}},
      {kRejected, {400, 404, 413, 301, 302, 100, 600}},
  };
  for (const auto& [outcome, statuses] : cases) {
    for (const int status : statuses) EXPECT_EQ(Classify_Answer(status), outcome) << status;
  }
}

TEST(Retry_Delay_Ms, DoublesFromFiveSecondsToTenMinutes) {
  const std::int64_t expected[] = {5'000,   10'000,  20'000,  40'000,  80'000,
                                   160'000, 320'000, 600'000, 600'000, 600'000};
  for (int failures = 1; failures <= 10; ++failures) {
    EXPECT_EQ(Retry_Delay_Ms(failures), expected[failures - 1]) << failures;
  }
  EXPECT_EQ(Retry_Delay_Ms(1'000'000), 600'000);
  EXPECT_EQ(Retry_Delay_Ms(3, {50, 120}), 120);
  EXPECT_EQ(Retry_Delay_Ms(1'000'000, {0, 100}), 0);
}

TEST(Wait_Before_Retry_Ms, RetryAfterHonouredOnlyOn429And503) {
  struct Case {
    int status;
    std::optional<std::int64_t> asked;
    std::int64_t wait_ms;
  } const cases[] = {
      {429, 30'000, 30'000},       {503, 0, 0},
      {503, 3'600'000, 600'000},  // never longer than the longest delay
      {500, 30'000, 10'000},       {0, std::nullopt, 10'000},
      {429, std::nullopt, 10'000},
  };
  for (const Case& c : cases) EXPECT_EQ(Wait_Before_Retry_Ms(c.status, 2, c.asked), c.wait_ms);
}

}  // namespace
}  // namespace orvelt

#include "forward/retry_policy.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

TEST(Classify_Answer, SentRetriedOrFinal) {
  struct Case {
    int status;
    DeliveryOutcome outcome;
  } const cases[] = {
      {200, DeliveryOutcome::kSent},     {201, DeliveryOutcome::kSent},
      {204, DeliveryOutcome::kSent},     {0, DeliveryOutcome::kRetry},
      {500, DeliveryOutcome::kRetry},    {503, DeliveryOutcome::kRetry},
      {408, DeliveryOutcome::kRetry},    {429, DeliveryOutcome::kRetry},
      {400, DeliveryOutcome::kRejected}, {404, DeliveryOutcome::kRejected},
      {413, DeliveryOutcome::kRejected}, {301, DeliveryOutcome::kRejected},
      {302, DeliveryOutcome::kRejected}, {100, DeliveryOutcome::kRejected},
      {600, DeliveryOutcome::kRejected},
  };
  for (const Case& c : cases) EXPECT_EQ(Classify_Answer(c.status), c.outcome) << c.status;
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

}  // namespace
}  // namespace orvelt

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
      {kRetry, {0, 100, 199, 408, 429, 500, 599}},
      {kRejected, {300, 301, 400, 404, 600}},
  };
  for (const auto& [outcome, statuses] : cases) {
    for (const int status : statuses) EXPECT_EQ(Classify_Answer(status), outcome) << status;
  }
}

}  // namespace
}  // namespace orvelt

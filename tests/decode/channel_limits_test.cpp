#include "decode/channel_limits.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace orvelt {
namespace {

TEST(Check_Limits, EachEndOnItsOwn) {
  const std::optional<double> open;
  const struct {
    ChannelLimits limits;
    double value;
    LimitCheck expected;
  } cases[] = {
      {{6.0, 8.4}, 5.99, LimitCheck::Below},   {{6.0, 8.4}, 6.0, LimitCheck::Within},
      {{6.0, 8.4}, 8.4, LimitCheck::Within},   {{6.0, 8.4}, 8.41, LimitCheck::Above},
      {{open, 1.0}, 2.0, LimitCheck::Above},   {{open, 1.0}, -1e300, LimitCheck::Within},
      {{-1.5, open}, -2.0, LimitCheck::Below}, {{-1.5, open}, 1e300, LimitCheck::Within},
      {{}, -1e300, LimitCheck::Within},        {{6.0, 8.4}, std::nan(""), LimitCheck::Within},
      {{0.0, 0.0}, -0.0, LimitCheck::Within},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Check_Limits(c.limits, c.value), c.expected)
        << Limits_Text(c.limits) << " with " << c.value;
  }
}

// Every text Limits_Text writes reads back as itself; any other text says why it is none.
TEST(Parse_Limits, ReadsWhatLimitsTextWritesAndSaysWhyElse) {
  const struct {
    const char* text;
    const char* why;  // none: the text reads back
  } cases[] = {
      {"6..8.4", nullptr},
      {"..8.4", nullptr},
      {"-1.5..", nullptr},
      {"..", nullptr},
      {"0..0", nullptr},
      {"1e-05..2", nullptr},
      {"6", "limits are written lower..upper, either end may be left empty"},
      {"8..6", "the lower limit 8 lies above the upper limit 6"},
      {"1..2..3", "\"2..3\" is not a number"},
      {"nan..", "\"nan\" is not a number"},
      {"..inf", "\"inf\" is not a number"},
      {"1 ..2", "\"1 \" is not a number"},
      {"..x23456789012345678901234", "\"x2345678901234567890...\" is not a number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto limits = Parse_Limits(c.text);
    ASSERT_EQ(limits.ok(), c.why == nullptr) << (limits ? "" : limits.why());
    if (limits)
      EXPECT_EQ(Limits_Text(limits.value()), c.text == std::string("..") ? "" : c.text);
    else
      EXPECT_EQ(limits.why(), c.why);
  }
}

}  // namespace
}  // namespace orvelt

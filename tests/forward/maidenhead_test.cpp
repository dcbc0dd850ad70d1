#include "forward/maidenhead.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

TEST(Maidenhead_To_Position, GivesTheCentreOfTheSquareOrNothing) {
  const struct {
    const char* locator;
    double latitude, longitude;
  } cases[] = {
      {"JN58", 48.5, 11.0},
      {"jn58TD", 48.14583333, 11.625},
      {"JN58td25", 48.14791667, 11.60416667},
      {"AA00", -89.5, -179.0},
      {"RR99xx", 89.97916667, 179.95833333},
      {"FN31pr", 41.72916667, -72.70833333},
  };
  for (const auto& c : cases) {
    const auto position = Maidenhead_To_Position(c.locator);
    ASSERT_TRUE(position.has_value()) << c.locator;
    EXPECT_NEAR(position->latitude, c.latitude, 1e-6) << c.locator;
    EXPECT_NEAR(position->longitude, c.longitude, 1e-6) << c.locator;
  }
  for (const char* locator : {"", "JN5", "JN58t", "JN58tdd", "SN58", "JS58", "JNA8", "JN58yx",
                              "JN58td2x", "JN58tdx5", "JN58td251", "J N5"}) {
    EXPECT_FALSE(Maidenhead_To_Position(locator).has_value()) << locator;
  }
}

}  // namespace
}  // namespace orvelt

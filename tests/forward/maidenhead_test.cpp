#include "forward/maidenhead.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

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

// A position gives its subsquare, so that a locator entered comes back as it was typed.
TEST(Position_To_Maidenhead, GivesTheSubsquareThatHoldsThePosition) {
  const struct {
    double latitude, longitude;
    const char* locator;
  } cases[] = {
      {48.14583333, 11.625, "JN58td"},
      {48.14791667, 11.60416667, "JN58td"},
      {-90.0, -180.0, "AA00aa"},
      {90.0, 180.0, "RR99xx"},
      {41.72916667, -72.70833333, "FN31pr"},
      {0.0, 0.0, "JJ00aa"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Position_To_Maidenhead({c.latitude, c.longitude}).value_or("-"), c.locator)
        << c.latitude << " " << c.longitude;
  }
  for (const auto& [lat, lon] : {std::pair{90.5, 0.0}, {0.0, -180.5}, {std::nan(""), 0.0}}) {
    EXPECT_FALSE(Position_To_Maidenhead({lat, lon}).has_value()) << lat << " " << lon;
  }
}

}  // namespace
}  // namespace orvelt

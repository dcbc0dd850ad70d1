#include "decode/number_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace orvelt {
namespace {

TEST(Number_Text, PlainForPeopleShortestForPrograms) {
  struct Case {
    double value;
    const char* plain;
    const char* shortest;
  } const cases[] = {
      // A battery voltage: the double nearest 7.6509 V after the calibration's arithmetic.
      {9.7488 - 0.00945 * 222, "7.6509", "7.650899999999999"},
      {9.7488 - 0.00945 * -1, "9.75825", "9.758249999999999"},
      {0.1 + 0.2, "0.3", "0.30000000000000004"},
      // Counters are whole numbers everywhere, never in exponent form.
      {1234567, "1234567", "1234567"},
      {2147483647, "2147483647", "2147483647"},
      {-16483.51, "-16483.51", "-16483.51"},
      {0, "0", "0"},
      {-0.0, "0", "-0"},
      // A magnetometer axis of -100 counts: too small for plain digits.
      {-100 / 100000000.0, "-1E-06", "-1e-06"},
      {0.0001, "0.0001", "1e-04"},
      {123456789012345678.0, "1.23456789012346E+17", "123456789012345680"},
      {1e300, "1E+300", "1e+300"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shortest);
    EXPECT_EQ(Plain_Number(c.value), c.plain);
    EXPECT_EQ(Shortest_Number(c.value), c.shortest);
  }
}

}  // namespace
}  // namespace orvelt

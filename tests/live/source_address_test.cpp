#include "live/source_address.hpp"

#include <gtest/gtest.h>

#include "live/backoff.hpp"

namespace orvelt {
namespace {

struct SourceCase {
  const char* text;
  SourceAddress expected;
  bool ok;
};

class ParseSourceTest : public ::testing::TestWithParam<SourceCase> {};

TEST_P(ParseSourceTest, ReadsHostPortOrDeviceBaud) {
  const SourceCase& c = GetParam();
  const SourceParse parsed = Parse_Source(c.text);
  ASSERT_EQ(parsed.ok(), c.ok) << c.text << ": " << parsed.error;
  if (!c.ok) return;
  EXPECT_EQ(parsed.address, c.expected);
  // What is read prints back as the same text, so the dialog can remember it.
  EXPECT_EQ(Parse_Source(Source_Text(parsed.address)).address, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ParseSourceTest,
    ::testing::Values(SourceCase{"localhost:8001", TcpAddress{"localhost", 8001}, true},
                      SourceCase{"[::1]:8001", TcpAddress{"::1", 8001}, true},
                      SourceCase{"/dev/ttyUSB0@9600", SerialAddress{"/dev/ttyUSB0", 9600}, true},
                      SourceCase{"/dev/serial/by-id/usb-x:y@1200",
                                 SerialAddress{"/dev/serial/by-id/usb-x:y", 1200}, true},
                      SourceCase{"", {}, false}, SourceCase{"localhost", {}, false},
                      SourceCase{":8001", {}, false}, SourceCase{"host:0", {}, false},
                      SourceCase{"host:65536", {}, false}, SourceCase{"host:-1", {}, false},
                      SourceCase{"::1:8001", {}, false}, SourceCase{"/dev/ttyS0@", {}, false},
                      SourceCase{"@9600", {}, false}, SourceCase{"/dev/ttyS0@0", {}, false}));

TEST(BackoffTest, DoublesFromOneSecondToThirtyAndStartsAgainAfterAConnection) {
  Backoff backoff;
  const std::int64_t expected[] = {1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000};
  for (const std::int64_t ms : expected) EXPECT_EQ(backoff.Next_Delay_Ms(), ms);
  backoff.Reset();
  EXPECT_EQ(backoff.Next_Delay_Ms(), 1000);
  // However many attempts fail in a row, the delay stays at the longest.
  EXPECT_EQ(Backoff_Delay_Ms({}, 1 << 30), 30000);
  EXPECT_EQ(Backoff_Delay_Ms({50, 120}, 0), 50);
  EXPECT_EQ(Backoff_Delay_Ms({50, 120}, 2), 120);
}

}  // namespace
}  // namespace orvelt

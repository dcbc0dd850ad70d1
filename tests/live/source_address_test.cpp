#include "live/source_address.hpp"

#include <gtest/gtest.h>

#include <utility>

namespace orvelt {
namespace {

TEST(ParseSourceTest, ReadsHostPortOrDeviceBaud) {
  const std::pair<const char*, SourceAddress> cases[] = {
      {"localhost:8001", TcpAddress{"localhost", 8001}},
      {"[::1]:8001", TcpAddress{"::1", 8001}},
      {"/dev/ttyUSB0@9600", SerialAddress{"/dev/ttyUSB0", 9600}},
      {"/dev/serial/by-id/usb-x:y@1200", SerialAddress{"/dev/serial/by-id/usb-x:y", 1200}},
  };
  for (const auto& [text, expected] : cases) {
    const Result<SourceAddress> parsed = Parse_Source(text);
    ASSERT_TRUE(parsed) << text << ": " << parsed.why();
    EXPECT_EQ(parsed.value(), expected) << text;
    // What is read prints back as the same text, so the dialog can remember it.
    EXPECT_EQ(Parse_Source(Source_Text(parsed.value())).value(), expected) << text;
  }
  for (const char* text :
       {"", "localhost", ":8001", "host:0", "host:65536", "::1:8001", "/dev/ttyS0@", "@9600"}) {
    EXPECT_FALSE(Parse_Source(text).ok()) << text;
  }
}

}  // namespace
}  // namespace orvelt

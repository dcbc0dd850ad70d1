#include "forward/forward_options.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

TEST(Parse_Forward_Options, TakesForwardingOptionsAndPassesTheRestOn) {
  const ForwardOptionsResult result = Parse_Forward_Options(
      {"localhost:8001", "--forward", "--callsign", "DL1ABC", "--lat=47.1", "--lon", "-12.5",
       "--norad", "99999", "--server", "https://a.example/", "--json", "--server=http://b:80/",
       "--dry-run", "--outbox", "/tmp/o.sqlite", "--in-flight=8"});
  ASSERT_FALSE(result.error) << *result.error;
  const ForwardOptions& options = result.options;
  EXPECT_TRUE(options.forward);
  EXPECT_TRUE(options.dry_run);
  EXPECT_EQ(options.callsign, "DL1ABC");
  EXPECT_EQ(options.latitude, 47.1);
  EXPECT_EQ(options.longitude, -12.5);
  EXPECT_EQ(options.norad_id, 99999u);
  EXPECT_EQ(options.servers, (std::vector<std::string>{"https://a.example/", "http://b:80/"}));
  EXPECT_EQ(options.outbox, "/tmp/o.sqlite");
  EXPECT_EQ(options.requests_in_flight, 8);
  EXPECT_EQ(result.other_arguments, (std::vector<std::string>{"localhost:8001", "--json"}));
}

TEST(Parse_Forward_Options, RefusesBadValuesWithTheOptionNamed) {
  struct Case {
    std::vector<std::string> arguments;
    const char* error;
  } const cases[] = {
      {{"--lat", "95"}, "--lat: 95 is outside -90 to 90"},
      {{"--lat", "north"}, "--lat: \"north\" is not a number of degrees"},
      {{"--server", "ftp://x/"}, "--server: the address must start with https://"},
      {{"--server"}, "--server: a value is missing"},
      {{"--forward=yes"}, "--forward takes no value"},
      {{"--outbox="}, "--outbox: give the outbox file"},
      {{"--in-flight", "0"}, "--in-flight: \"0\" is not a number from 1 to 16"},
      {{"--in-flight", "17"}, "--in-flight: \"17\" is not a number from 1 to 16"},
  };
  for (const Case& c : cases) {
    const ForwardOptionsResult result = Parse_Forward_Options(c.arguments);
    ASSERT_TRUE(result.error) << c.arguments[0];
    EXPECT_EQ(result.error->rfind(c.error, 0), 0u) << *result.error;
  }
}

TEST(Apply_Forward_Options, OverridesTheSavedSettings) {
  StationSettings saved;
  saved.callsign = "OLD1";
  saved.latitude = 1;
  saved.longitude = 2;
  saved.norad_id = 7;
  saved.servers = {{"https://saved/", true}};

  EXPECT_EQ(Apply_Forward_Options(saved, {}).servers.size(), 1u);
  EXPECT_FALSE(Apply_Forward_Options(saved, {}).forwarding);

  ForwardOptions options;
  options.forward = true;
  options.callsign = "NEW1";
  options.longitude = -3;
  options.servers = {"https://x/", "https://y/"};
  const StationSettings merged = Apply_Forward_Options(saved, options);
  EXPECT_TRUE(merged.forwarding);
  EXPECT_EQ(merged.callsign, "NEW1");
  EXPECT_EQ(merged.latitude, 1);
  EXPECT_EQ(merged.longitude, -3);
  EXPECT_EQ(merged.norad_id, 7u);
  ASSERT_EQ(merged.servers.size(), 2u);
  EXPECT_EQ(merged.servers[1].url, "https://y/");
  EXPECT_TRUE(merged.servers[1].enabled);
}

}  // namespace
}  // namespace orvelt

#include "forward/forward_options.hpp"

#include <gtest/gtest.h>

namespace orvelt {
namespace {

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

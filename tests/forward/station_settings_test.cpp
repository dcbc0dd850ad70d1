#include "forward/station_settings.hpp"

#include "support/example_station.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvelt {
namespace {

TEST(Check_Server_Url, TakesHttpsAndTypedHttpOnly) {
  for (const char* good : {"https://db.example.org:8443/sids?key=1", "http://sids.example:80/"}) {
    EXPECT_TRUE(Check_Server_Url(good).ok()) << good;
  }
  for (const char* bad : {"ftp://example.org/", "https:///path", "https://exa mple.org/",
                          "https://user:pw@example.org/", "https://example.org:99999/"}) {
    EXPECT_FALSE(Check_Server_Url(bad).ok()) << bad;
  }
}

TEST(Check_Station_Settings, NamesTheSettingOfEveryProblem) {
  const auto fields = [](const StationSettings& station) {
    std::string text;
    for (const auto& problem : Check_Station_Settings(station).problems)
      text += problem.field + ";";
    return text;
  };
  StationSettings s = testing::Example_Station();
  EXPECT_EQ(fields(s), "");
  s.latitude = s.longitude = 0;
  EXPECT_EQ(fields(s), "position;");
  s.longitude = 1e-7;  // on the meridian, a metre off the equator: a real place
  EXPECT_EQ(fields(s), "");
  s.latitude = std::numeric_limits<double>::quiet_NaN();
  s.servers[0].enabled = false;
  EXPECT_EQ(fields(s), "latitude;server;");
  s.forwarding = false;
  EXPECT_EQ(fields(s), "latitude;");
  s = {"X", 91, -180.5, 0, {{"ftp://x/", true}}, true};
  EXPECT_EQ(fields(s), "callsign;latitude;longitude;NORAD number;server;");
  EXPECT_NE(Check_Station_Settings(s).Message().find("latitude: 91 is outside -90 to 90\n"),
            std::string::npos);
}

TEST(Enabled_Servers, KeepsOrderAndDropsDisabledAndRepeated) {
  StationSettings station;
  station.servers = {{"a", true}, {"b", false}, {"c", true}, {"a", true}};
  EXPECT_EQ(Enabled_Servers(station), (std::vector<std::string>{"a", "c"}));
}

TEST(Parse_Degrees, ReadsEveryDecimalFormAPersonTypes) {
  const std::pair<const char*, double> good[] = {{"+8", 8.0},        {"-.5", -0.5},
                                                 {"-1.5E+1", -15.0}, {"47,1", 47.1},
                                                 {" 1 ", 1.0},       {"12.5\u00B0", 12.5}};
  for (const auto& [text, value] : good) EXPECT_EQ(Parse_Degrees(text), value) << text;
  for (const char* bad : {"", "-", "+-5", "1,000.5", "1,2,3", "12abc", "1e999", "nan", "0x10"}) {
    EXPECT_EQ(Parse_Degrees(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace orvelt

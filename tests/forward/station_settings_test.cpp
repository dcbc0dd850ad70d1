#include "forward/station_settings.hpp"

#include "support/example_station.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

namespace orvelt {
namespace {

StationSettings Valid_Station() {
  return testing::Example_Station(std::string(kSatnogsDbTelemetryUrl));
}

TEST(Check_Callsign, TakesCallsignsAndRefusesWithAReason) {
  struct Case {
    const char* callsign;
    bool ok;
  } const cases[] = {
      {"dl1abc", true},   {"OE/DL1ABC/P", true}, {"DL1ABC-7", true},           {"", false},
      {"AB", false},      {"DLABC", false},      {"DL1 ABC", false},           {"DL1&ABC", false},
      {"/DL1ABC", false}, {"DL1ABC-", false},    {"DL1ABCDEFGHIJKLMN", false},
  };
  for (const Case& c : cases) {
    const Outcome usable = Check_Callsign(c.callsign);
    EXPECT_EQ(usable.ok(), c.ok) << c.callsign;
    EXPECT_EQ(usable.why().empty(), c.ok) << c.callsign;
  }
}

TEST(Check_Server_Url, TakesHttpsAndTypedHttpOnly) {
  struct Case {
    const char* url;
    bool ok;
  } const cases[] = {
      {"https://db.satnogs.org/api/telemetry/", true},
      {"https://telemetry.example.org:8443/sids?key=1", true},
      {"http://sids.station.example:8080/sids", true},
      {"", false},
      {"db.satnogs.org/api/telemetry/", false},
      {"ftp://example.org/", false},
      {"https:///path", false},
      {"https://exa mple.org/", false},
      {"https://user:pw@example.org/", false},
      {"https://example.org:99999/", false},
      {"https://example.org/a#b", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Check_Server_Url(c.url).ok(), c.ok) << c.url;
  }
}

TEST(Check_Station_Settings, NamesEveryProblem) {
  EXPECT_TRUE(Check_Station_Settings(Valid_Station()).ok());

  StationSettings station = Valid_Station();
  station.callsign = "X";
  station.latitude = 91;
  station.longitude = -180.5;
  station.norad_id = 0;
  station.servers = {{"ftp://x/", true}};
  const SettingsCheck check = Check_Station_Settings(station);
  ASSERT_EQ(check.problems.size(), 5u);
  EXPECT_EQ(check.problems[0].field, "callsign");
  EXPECT_EQ(check.problems[1].field, "latitude");
  EXPECT_EQ(check.problems[1].reason, "91 is outside -90 to 90");
  EXPECT_EQ(check.problems[2].reason, "-180.5 is outside -180 to 180");
  EXPECT_EQ(check.problems[3].field, "NORAD number");
  EXPECT_EQ(check.problems[4].field, "server");
  EXPECT_NE(check.Message().find("latitude: 91 is outside -90 to 90\n"), std::string::npos);
}

TEST(Check_Station_Settings, RefusesPositionsThatAreNotNumbersAndForwardingWithoutServer) {
  StationSettings station = Valid_Station();
  station.latitude = std::numeric_limits<double>::quiet_NaN();
  station.servers[0].enabled = false;
  const SettingsCheck check = Check_Station_Settings(station);
  ASSERT_EQ(check.problems.size(), 2u);
  EXPECT_EQ(check.problems[0].field, "latitude");
  EXPECT_EQ(check.problems[1].reason, "enable at least one server to forward to");

  station.forwarding = false;
  station.latitude = 0;
  EXPECT_TRUE(Check_Station_Settings(station).ok());
}

TEST(Enabled_Servers, KeepsOrderAndDropsDisabledAndRepeated) {
  StationSettings station;
  station.servers = {
      {"https://a/", true}, {"https://b/", false}, {"https://c/", true}, {"https://a/", true}};
  EXPECT_EQ(Enabled_Servers(station), (std::vector<std::string>{"https://a/", "https://c/"}));
}

TEST(Check_Station_Settings, RefusesTheUnsetPositionZeroZero) {
  StationSettings station = Valid_Station();
  station.latitude = 0;
  station.longitude = 0;
  const SettingsCheck check = Check_Station_Settings(station);
  ASSERT_EQ(check.problems.size(), 1u);
  EXPECT_EQ(check.problems[0].field, "position");
  station.longitude = 1e-7;  // on the meridian, a metre off the equator: a real place
  EXPECT_TRUE(Check_Station_Settings(station).ok());
}

TEST(Parse_Degrees, ReadsEveryDecimalFormAPersonTypes) {
  struct Case {
    const char* text;
    std::optional<double> value;
  } const cases[] = {
      {"47.1", 47.1},
      {"-12.345", -12.345},
      {"+8", 8.0},
      {".5", 0.5},
      {"-.5", -0.5},
      {"5.", 5.0},
      {"1e-7", 1e-7},
      {"-1.5E+1", -15.0},
      {"47,1", 47.1},
      {" 1 ", 1.0},
      {"12.5\u00B0", 12.5},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"+-5", std::nullopt},
      {"1,000.5", std::nullopt},
      {"1,2,3", std::nullopt},
      {"12abc", std::nullopt},
      {"1e999", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse_Degrees(c.text), c.value) << c.text;
}

TEST(Parse_Norad_Id, ReadsPositiveCatalogueNumbers) {
  struct Case {
    const char* text;
    std::optional<std::uint64_t> value;
  } const cases[] = {
      {"25544", 25544u},
      {"999999999", 999999999u},
      {"1000000000", std::nullopt},
      {"0", std::nullopt},
      {"-5", std::nullopt},
      {"", std::nullopt},
      {"99999999999999999999999", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse_Norad_Id(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace orvelt

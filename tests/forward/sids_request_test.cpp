#include "forward/sids_request.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace orvelt {
namespace {

// The command byte is left out, every field is form-encoded (reserved characters and spaces
// included), south and east are spelled out.
TEST(Sids_Request_Body, HasTheFieldsInOrderEachEncoded) {
  StationSettings station;
  station.callsign = "A1&B=C+D E";
  station.latitude = -47.1;
  station.longitude = 12.345;
  station.norad_id = 99999;
  const std::vector<std::uint8_t> frame = {0x00, 0xC0, 0x80, 0x0a, 0xFF};
  EXPECT_EQ(Sids_Request_Body(station, frame, 1796638500123, "2.6 b&=+"),
            "noradID=99999&source=A1%26B%3DC%2BD%20E&timestamp=2026-12-07T10%3A15%3A00.123Z"
            "&frame=C0800AFF&locator=longLat&longitude=12.345E&latitude=47.1S"
            "&version=2.6%20b%26%3D%2B");
}

// The fields follow the server's address as its query, or after the query it has.
TEST(Sids_Request_Target, PutsTheFieldsInTheQueryString) {
  const std::pair<const char*, const char*> cases[] = {
      {"/api/telemetry/", "/api/telemetry/?noradID=1&frame=C0"},
      {"/api/telemetry/?key=abc", "/api/telemetry/?key=abc&noradID=1&frame=C0"},
      {"/sids?", "/sids?noradID=1&frame=C0"},
      {"/sids?a=1&", "/sids?a=1&noradID=1&frame=C0"},
      {"https://x.example/sids#top", "https://x.example/sids?noradID=1&frame=C0"},
  };
  for (const auto& [url, target] : cases) {
    EXPECT_EQ(Sids_Request_Target(url, "noradID=1&frame=C0"), target) << url;
  }
}

}  // namespace
}  // namespace orvelt

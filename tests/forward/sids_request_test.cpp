#include "forward/sids_request.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace orvelt {
namespace {

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

TEST(Form_Encode, LeavesOnlyUnreservedCharactersPlain) {
  struct Case {
    const char* text;
    const char* encoded;
  } const cases[] = {
      {"AZaz09-._~", "AZaz09-._~"},
      {"&=+ /?#%", "%26%3D%2B%20%2F%3F%23%25"},
      {"\xC3\xB5", "%C3%B5"},
      {"\n\r", "%0A%0D"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Form_Encode(c.text), c.encoded) << c.text;
}

TEST(Sids_Timestamp, IsUtcWithMilliseconds) {
  struct Case {
    std::int64_t ms;
    const char* text;
  } const cases[] = {
      {0, "1970-01-01T00:00:00.000Z"},
      {1796638500123, "2026-12-07T10:15:00.123Z"},
      {951782400999, "2000-02-29T00:00:00.999Z"},
      {1704067199001, "2023-12-31T23:59:59.001Z"},
      {-1, "1969-12-31T23:59:59.999Z"},
  };
  for (const Case& c : cases) EXPECT_EQ(Sids_Timestamp(c.ms), c.text) << c.ms;
}

TEST(Sids_Position, WritesMagnitudeAndHemisphere) {
  struct Case {
    double degrees;
    const char* longitude;
    const char* latitude;
  } const cases[] = {
      {12.345, "12.345E", "12.345N"},
      {-12.345, "12.345W", "12.345S"},
      {47.1, "47.1E", "47.1N"},
      {0.0, "0E", "0N"},
      {-0.0000001, "0W", "0S"},
      {180, "180E", "180N"},
      {11.604166666, "11.604167E", "11.604167N"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sids_Longitude(c.degrees), c.longitude) << c.degrees;
    EXPECT_EQ(Sids_Latitude(c.degrees), c.latitude) << c.degrees;
  }
}

}  // namespace
}  // namespace orvelt

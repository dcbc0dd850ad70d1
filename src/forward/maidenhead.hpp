#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvelt {

struct GeoPosition {
  double latitude = 0.0;   // degrees, north positive
  double longitude = 0.0;  // degrees, east positive
};

// The centre of a Maidenhead locator square of 4, 6 or 8 characters ("JN58", "JN58td",
// "JN58td25"; letters in either case). Nothing for anything else.
std::optional<GeoPosition> Maidenhead_To_Position(std::string_view locator);

// The 6-character locator of the subsquare that holds a position ("JN58td"); nothing for a
// position off the globe.
std::optional<std::string> Position_To_Maidenhead(GeoPosition position);

}  // namespace orvelt

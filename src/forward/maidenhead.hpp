#pragma once

#include <optional>
#include <string_view>

namespace orvelt {

struct GeoPosition {
  double latitude = 0.0;   // degrees, north positive
  double longitude = 0.0;  // degrees, east positive
};

// The centre of a Maidenhead locator square of 4, 6 or 8 characters ("JN58", "JN58td",
// "JN58td25"; letters in either case). Nothing for anything else.
std::optional<GeoPosition> Maidenhead_To_Position(std::string_view locator);

}  // namespace orvelt

#include "forward/maidenhead.hpp"

#include <algorithm>
#include <cctype>

namespace orvelt {
namespace {

// Index of a letter within 'A'..'A'+count-1, either case; -1 when out of range.
int Letter_Index(char c, int count) {
  const int upper = std::toupper(static_cast<unsigned char>(c));
  const int index = upper - 'A';
  return index >= 0 && index < count ? index : -1;
}

int Digit_Index(char c) {
  return c >= '0' && c <= '9' ? c - '0' : -1;
}

// Each pair refines the square: fields of 20 x 10 degrees, squares of 2 x 1, subsquares of
// 5 x 2.5 minutes, extended squares of 30 x 15 seconds.
struct Level {
  bool letters;
  int count;
  double lon_size;
  double lat_size;
};
constexpr Level kLevels[] = {{true, 18, 20.0, 10.0},
                             {false, 10, 2.0, 1.0},
                             {true, 24, 2.0 / 24.0, 1.0 / 24.0},
                             {false, 10, 2.0 / 240.0, 1.0 / 240.0}};

}  // namespace

std::optional<GeoPosition> Maidenhead_To_Position(std::string_view locator) {
  if (locator.size() != 4 && locator.size() != 6 && locator.size() != 8) return std::nullopt;
  double lon = -180.0;
  double lat = -90.0;
  double lon_size = 0.0;
  double lat_size = 0.0;
  for (std::size_t pair = 0; pair * 2 < locator.size(); ++pair) {
    const Level& level = kLevels[pair];
    const char a = locator[pair * 2];
    const char b = locator[pair * 2 + 1];
    const int x = level.letters ? Letter_Index(a, level.count) : Digit_Index(a);
    const int y = level.letters ? Letter_Index(b, level.count) : Digit_Index(b);
    if (x < 0 || y < 0) return std::nullopt;
    lon += x * level.lon_size;
    lat += y * level.lat_size;
    lon_size = level.lon_size;
    lat_size = level.lat_size;
  }
  return GeoPosition{lat + lat_size / 2.0, lon + lon_size / 2.0};
}

std::optional<std::string> Position_To_Maidenhead(GeoPosition position) {
  if (!(position.latitude >= -90.0 && position.latitude <= 90.0 && position.longitude >= -180.0 &&
        position.longitude <= 180.0)) {
    return std::nullopt;
  }
  // The north pole and the date line east lie on the last square's far edge.
  double lon = std::min(position.longitude + 180.0, 360.0 - 1e-9);
  double lat = std::min(position.latitude + 90.0, 180.0 - 1e-9);
  std::string locator;
  for (std::size_t pair = 0; pair < 3; ++pair) {
    const Level& level = kLevels[pair];
    const int x = std::clamp(static_cast<int>(lon / level.lon_size), 0, level.count - 1);
    const int y = std::clamp(static_cast<int>(lat / level.lat_size), 0, level.count - 1);
    const char base = level.letters ? (pair == 0 ? 'A' : 'a') : '0';
    locator += static_cast<char>(base + x);
    locator += static_cast<char>(base + y);
    lon -= x * level.lon_size;
    lat -= y * level.lat_size;
  }
  return locator;
}

}  // namespace orvelt

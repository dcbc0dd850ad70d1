#include "forward/sids_request.hpp"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace orvelt {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Degrees_Magnitude(double value) {
  char buffer[64];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed, 6);
  if (ec != std::errc()) return "0";
  std::string text(buffer, end);
  // Trailing zeros say nothing: "47.100000" is written "47.1", "12.000000" is "12".
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

void Add_Field(std::string& body, std::string_view name, std::string_view value) {
  if (!body.empty()) body += '&';
  body += Form_Encode(name);
  body += '=';
  body += Form_Encode(value);
}

}  // namespace

std::string Form_Encode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                       byte == '~';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0x0F];
    }
  }
  return out;
}

std::string Sids_Timestamp(std::int64_t utc_ms) {
  using namespace std::chrono;
  const sys_time<milliseconds> time{milliseconds(utc_ms)};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  char buffer[48];
  std::snprintf(
      buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
      static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
      static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
  return buffer;
}

std::string Sids_Longitude(double longitude) {
  return Degrees_Magnitude(longitude) + (longitude < 0 ? "W" : "E");
}

std::string Sids_Latitude(double latitude) {
  return Degrees_Magnitude(latitude) + (latitude < 0 ? "S" : "N");
}

std::string Sids_Frame_Hex(std::span<const std::uint8_t> kiss_frame) {
  std::string hex;
  if (kiss_frame.size() <= 1) return hex;
  hex.reserve((kiss_frame.size() - 1) * 2);
  for (std::uint8_t byte : kiss_frame.subspan(1)) {
    hex += kHexDigits[byte >> 4];
    hex += kHexDigits[byte & 0x0F];
  }
  return hex;
}

std::string Sids_Request_Body(const StationSettings& station, std::span<const std::uint8_t> frame,
                              std::int64_t arrival_ms, std::string_view version) {
  std::string body;
  Add_Field(body, "noradID", std::to_string(station.norad_id));
  Add_Field(body, "source", station.callsign);
  Add_Field(body, "timestamp", Sids_Timestamp(arrival_ms));
  Add_Field(body, "frame", Sids_Frame_Hex(frame));
  Add_Field(body, "locator", "longLat");
  Add_Field(body, "longitude", Sids_Longitude(station.longitude));
  Add_Field(body, "latitude", Sids_Latitude(station.latitude));
  Add_Field(body, "version", version);
  return body;
}

std::string Sids_Request_Target(std::string_view url, std::string_view fields) {
  std::string target(url.substr(0, url.find('#')));
  if (fields.empty()) return target;
  const bool has_query = target.find('?') != std::string::npos;
  if (!has_query) {
    target += '?';
  } else if (target.back() != '?' && target.back() != '&') {
    target += '&';
  }
  return target.append(fields);
}

}  // namespace orvelt

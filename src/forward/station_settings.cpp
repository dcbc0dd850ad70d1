#include "forward/station_settings.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/text_reading.hpp"

namespace orvelt {
namespace {

bool Is_Alnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
bool Is_Digit(char c) {
  return c >= '0' && c <= '9';
}

std::string Degrees_Text(double value) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

// A host name or address: letters, digits, dots and hyphens, or an IPv6 literal in brackets;
// an optional port of digits after it.
bool Host_And_Port_Ok(std::string_view authority) {
  if (authority.empty()) return false;
  std::string_view host = authority;
  std::string_view port;
  if (host.front() == '[') {
    const auto close = host.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    for (char c : host.substr(1, close - 1)) {
      if (!(Is_Alnum(c) || c == ':' || c == '.')) return false;
    }
    std::string_view rest = host.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      port = rest.substr(1);
      if (port.empty()) return false;
    }
  } else {
    const auto colon = host.rfind(':');
    if (colon != std::string_view::npos) {
      port = host.substr(colon + 1);
      host = host.substr(0, colon);
      if (port.empty()) return false;
    }
    if (host.empty() || host.front() == '.' || host.front() == '-') return false;
    for (char c : host) {
      if (!(Is_Alnum(c) || c == '.' || c == '-')) return false;
    }
  }
  if (!port.empty()) {
    const auto value = Read_Whole_Number<unsigned>(port);
    if (!value || *value == 0 || *value > 65535) return false;
  }
  return true;
}

}  // namespace

std::string SettingsCheck::Message() const {
  std::string text;
  for (const SettingsProblem& problem : problems) {
    if (!text.empty()) text += '\n';
    text += problem.field + ": " + problem.reason;
  }
  return text;
}

Outcome Check_Callsign(std::string_view callsign) {
  if (callsign.empty()) return Outcome::Failed("enter the station's callsign");
  if (callsign.size() < 3 || callsign.size() > 16) {
    return Outcome::Failed("a callsign has 3 to 16 characters");
  }
  bool letter = false;
  bool digit = false;
  for (char c : callsign) {
    if (!(Is_Alnum(c) || c == '/' || c == '-')) {
      return Outcome::Failed("a callsign has only letters, digits, \"/\" and \"-\"");
    }
    letter = letter || (Is_Alnum(c) && !Is_Digit(c));
    digit = digit || Is_Digit(c);
  }
  if (!letter || !digit) return Outcome::Failed("a callsign has letters and at least one digit");
  if (!Is_Alnum(callsign.front()) || !Is_Alnum(callsign.back())) {
    return Outcome::Failed("a callsign starts and ends with a letter or digit");
  }
  return Outcome::Done();
}

Outcome Check_Server_Url(std::string_view url) {
  constexpr std::string_view kHttps = "https://";
  constexpr std::string_view kHttp = "http://";
  std::string_view rest;
  if (url.substr(0, kHttps.size()) == kHttps) {
    rest = url.substr(kHttps.size());
  } else if (url.substr(0, kHttp.size()) == kHttp) {
    rest = url.substr(kHttp.size());
  } else {
    return Outcome::Failed("the address must start with https:// (or http:// typed out)");
  }
  for (char c : url) {
    if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
      return Outcome::Failed("the address contains spaces or characters outside plain ASCII");
    }
  }
  if (rest.find_first_of("#") != std::string_view::npos) {
    return Outcome::Failed("the address must not contain a \"#\" fragment");
  }
  const auto path_start = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, path_start);
  if (authority.find('@') != std::string_view::npos) {
    return Outcome::Failed("the address must not contain a user name or password");
  }
  if (!Host_And_Port_Ok(authority))
    return Outcome::Failed("the address has no valid host name or port");
  return Outcome::Done();
}

SettingsCheck Check_Station_Settings(const StationSettings& settings) {
  SettingsCheck check;
  auto add = [&check](std::string field, std::string reason) {
    check.problems.push_back({std::move(field), std::move(reason)});
  };
  if (Outcome usable = Check_Callsign(settings.callsign); !usable) add("callsign", usable.why());
  if (!(settings.latitude >= -90.0 && settings.latitude <= 90.0)) {
    add("latitude", Degrees_Text(settings.latitude) + " is outside -90 to 90");
  }
  if (!(settings.longitude >= -180.0 && settings.longitude <= 180.0)) {
    add("longitude", Degrees_Text(settings.longitude) + " is outside -180 to 180");
  }
  if (settings.latitude == 0.0 && settings.longitude == 0.0) {
    // Receivers and databases take 0, 0 for "no position given": a report from there is
    // refused or misplaced.
    add("position",
        "0, 0 is where no position was entered: enter the station's latitude and "
        "longitude");
  }
  if (settings.norad_id == 0) {
    add("NORAD number", "enter the satellite's NORAD catalogue number");
  } else if (settings.norad_id > kMaxNoradId) {
    add("NORAD number", std::to_string(settings.norad_id) + " is not a catalogue number");
  }
  for (const ServerEntry& server : settings.servers) {
    if (Outcome usable = Check_Server_Url(server.url); !usable) {
      add("server", server.url + ": " + usable.why());
    }
  }
  if (settings.forwarding && Enabled_Servers(settings).empty()) {
    add("server", "enable at least one server to forward to");
  }
  return check;
}

std::vector<std::string> Enabled_Servers(const StationSettings& settings) {
  std::vector<std::string> urls;
  for (const ServerEntry& server : settings.servers) {
    if (server.enabled && std::find(urls.begin(), urls.end(), server.url) == urls.end()) {
      urls.push_back(server.url);
    }
  }
  return urls;
}

std::optional<double> Parse_Degrees(std::string_view text) {
  text = Trim(text);
  // A degree sign after the number says what the number already is.
  constexpr std::string_view kDegreeSign = "\u00B0";
  if (text.ends_with(kDegreeSign)) text.remove_suffix(kDegreeSign.size());
  if (text.empty()) return std::nullopt;
  // from_chars rejects a leading '+', which people do type for north and east.
  const bool plus = text.front() == '+';
  if (plus) text.remove_prefix(1);
  if (text.empty() || (plus && text.front() == '-')) return std::nullopt;
  std::string number(text);
  // A decimal comma, as many locales write it ("47,1"), when it is the only separator.
  const auto comma = number.find(',');
  if (comma != std::string::npos && number.find_first_of(",.", comma + 1) == std::string::npos &&
      number.find('.') == std::string::npos) {
    number[comma] = '.';
  }
  // Digits, a sign, a point and an exponent ("1e-7") only: no "inf", "nan" or hex.
  const std::size_t digits = number.front() == '-' ? 1 : 0;
  if (number.size() <= digits || !(Is_Digit(number[digits]) || number[digits] == '.')) {
    return std::nullopt;
  }
  return Read_Finite_Number(number);
}

std::optional<std::uint64_t> Parse_Norad_Id(std::string_view text) {
  const auto value = Read_Whole_Number<std::uint64_t>(text);
  if (!value || *value == 0 || *value > kMaxNoradId) return std::nullopt;
  return value;
}

}  // namespace orvelt

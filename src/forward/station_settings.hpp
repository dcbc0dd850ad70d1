#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.hpp"

namespace orvelt {

// The community telemetry database's SiDS endpoint, offered as a preset server.
inline constexpr std::string_view kSatnogsDbTelemetryUrl = "https://db.satnogs.org/api/telemetry/";

struct ServerEntry {
  std::string url;
  bool enabled = true;
};

// Who and where the receiving station is, and where its frames go. Latitude and longitude
// are decimal degrees, north and east positive.
struct StationSettings {
  std::string callsign;
  double latitude = 0.0;
  double longitude = 0.0;
  std::uint64_t norad_id = 0;  // 0: not entered yet
  std::vector<ServerEntry> servers;
  bool forwarding = false;
};

// One reason why settings cannot be used, naming the setting it is about.
struct SettingsProblem {
  std::string field;  // "callsign", "latitude", "longitude", "position", "NORAD number", "server"
  std::string reason;
};

struct SettingsCheck {
  std::vector<SettingsProblem> problems;

  bool ok() const { return problems.empty(); }
  // Every problem, one per line, e.g. "latitude: 91 is outside -90 to 90".
  std::string Message() const;
};

inline constexpr std::uint64_t kMaxNoradId = 999999999;

// Whether a callsign can be used, and why not.
Outcome Check_Callsign(std::string_view callsign);
// Whether a server address can be used, and why not: https://host... always, http://host...
// only when typed so (never made from another scheme).
Outcome Check_Server_Url(std::string_view url);

// Checks everything that forwarding needs: callsign, position (not 0, 0), NORAD number, every
// server listed (enabled or not) and, when forwarding is on, at least one enabled server.
SettingsCheck Check_Station_Settings(const StationSettings& settings);

// The addresses frames are sent to: the enabled servers, each once, in the order listed.
std::vector<std::string> Enabled_Servers(const StationSettings& settings);

// Reads a decimal number of degrees as a person may type it: "47.1", "+8", "-.5", "47,1",
// "1e-7", " 12.5° "; nothing for anything else (empty, trailing text, not finite).
std::optional<double> Parse_Degrees(std::string_view text);
// Reads a NORAD catalogue number: digits only, 1 to kMaxNoradId.
std::optional<std::uint64_t> Parse_Norad_Id(std::string_view text);

}  // namespace orvelt

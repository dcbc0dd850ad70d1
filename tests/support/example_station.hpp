#pragma once

#include "forward/station_settings.hpp"

#include <string>

namespace orvelt::testing {

// Settings that forwarding can use as they stand, sending to `server`.
inline StationSettings Example_Station(std::string server = "https://telemetry.example.org/") {
  StationSettings station;
  station.callsign = "DL1ABC";
  station.latitude = 47.1;
  station.longitude = 12.345;
  station.norad_id = 99999;
  station.servers = {{std::move(server), true}};
  station.forwarding = true;
  return station;
}

}  // namespace orvelt::testing

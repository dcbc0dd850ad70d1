#pragma once

#include "forward/station_settings.hpp"

#include <string>

namespace orvelt::testing {

// Settings that forwarding can use as they stand, sending to `server`.
inline StationSettings Example_Station(std::string server = "https://telemetry.example.org/") {
  return {.callsign = "DL1ABC",
          .latitude = 47.1,
          .longitude = 12.345,
          .norad_id = 99999,
          .servers = {{std::move(server), true}},
          .forwarding = true};
}

}  // namespace orvelt::testing

#pragma once

#include "forward/station_settings.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvelt {

// The forwarding options of the headless receiver. Unset options leave the user's saved
// station settings as they are.
struct ForwardOptions {
  bool forward = false;
  bool dry_run = false;
  std::optional<std::string> callsign;
  std::optional<double> latitude;
  std::optional<double> longitude;
  std::optional<std::uint64_t> norad_id;
  std::vector<std::string> servers;  // --server, repeatable; replaces the saved list when given
  std::optional<std::string> outbox;
  std::optional<int> requests_in_flight;  // --in-flight: requests in flight per server
};

// The most requests in flight per server --in-flight accepts.
inline constexpr int kMaxInFlight = 16;

struct ForwardOptionsResult {
  ForwardOptions options;
  std::vector<std::string> other_arguments;  // everything that is not a forwarding option
  std::optional<std::string> error;          // e.g. "--lat: 95 is outside -90 to 90"
};

// Takes the forwarding options out of a command line (without the program name):
// --forward --callsign CALL --lat DEG --lon DEG --norad N --server URL (repeatable)
// --dry-run --outbox FILE --in-flight N; "--option=value" works as well. Other arguments are passed
// through in order for the receiver to read.
ForwardOptionsResult Parse_Forward_Options(const std::vector<std::string>& arguments);

// The station settings in force: the saved ones with the command line's values over them.
// Servers given on the command line replace the saved list; --forward turns forwarding on.
StationSettings Apply_Forward_Options(StationSettings saved, const ForwardOptions& options);

}  // namespace orvelt

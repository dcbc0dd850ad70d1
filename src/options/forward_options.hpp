#pragma once

#include "base/result.hpp"
#include "forward/station_settings.hpp"

#include <cstddef>
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

  // Forwarding is asked for with --forward, or --dry-run to see what it would send.
  bool Forwarding_Asked() const { return forward || dry_run; }
  // Any station or server setting given, which means nothing unless forwarding is asked for.
  bool Any_Setting() const {
    return callsign || latitude || longitude || norad_id || !servers.empty() || outbox;
  }
};

// The most requests in flight per server --in-flight accepts.
inline constexpr int kMaxInFlight = 16;

// Takes the forwarding option that starts at arguments[at] into `options`: --forward
// --callsign CALL --lat DEG --lon DEG --norad N --server URL (repeatable) --dry-run
// --outbox FILE --in-flight N, or "--option=value". Gives how many arguments it used (0 when
// arguments[at] is no forwarding option), or why the option cannot be used, naming it (e.g.
// "--lat: 95 is outside -90 to 90").
Result<std::size_t> Take_Forward_Option(ForwardOptions& options,
                                        const std::vector<std::string>& arguments, std::size_t at);

// The station settings in force: the saved ones with the command line's values over them.
// Servers given on the command line replace the saved list; --forward turns forwarding on.
StationSettings Apply_Forward_Options(StationSettings saved, const ForwardOptions& options);

}  // namespace orvelt

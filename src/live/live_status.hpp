#pragma once

#include <cstdint>
#include <string>

#include "live/live_session.hpp"

namespace orvelt {

// Why a connection to the TNC is down.
enum class LinkProblem : std::uint8_t {
  None,
  Refused,         // nothing listens at the port
  HostNotFound,    // the name does not resolve
  ClosedByTnc,     // the TNC ended the connection
  DeviceVanished,  // the serial device went away (USB unplugged)
  NoAnswer,        // the connection attempt timed out
  CannotOpen,      // the serial device cannot be opened
  Other,
};

const char* Link_Problem_Text(LinkProblem problem);

enum class LinkPhase : std::uint8_t { Disconnected, Connecting, Connected, Waiting };

// What a link to a TNC is doing, as the status line tells it.
struct LinkStatus {
  LinkPhase phase = LinkPhase::Disconnected;
  std::string source;  // HOST:PORT or DEVICE@BAUD
  LinkProblem problem = LinkProblem::None;
  std::string detail;             // the system's own words for the last failure
  std::int64_t retry_at_ms = 0;   // with Waiting: when the next attempt starts
  std::uint64_t connections = 0;  // connections made so far
};

// "connected to HOST:PORT", "connecting to ...", "reconnecting to ... in N s (refused)",
// "disconnected".
std::string Link_Text(const LinkStatus& link, std::int64_t now_ms);

// The status line of a live session: the link, the frame counts, how long ago the last frame
// came, the recording file, and the store-full notice when it applies.
std::string Live_Status_Line(const LinkStatus& link, const LiveSession& session,
                             std::int64_t now_ms);

// The same with every detail, one per line, for the status line's tooltip.
std::string Live_Status_Details(const LinkStatus& link, const LiveSession& session,
                                std::int64_t now_ms);

}  // namespace orvelt

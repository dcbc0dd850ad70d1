#include "live/live_status.hpp"

#include <filesystem>

namespace orvelt {

namespace {

std::string Seconds_Until(std::int64_t now_ms, std::int64_t at_ms) {
  const std::int64_t ms = at_ms > now_ms ? at_ms - now_ms : 0;
  return std::to_string((ms + 999) / 1000) + " s";
}

std::string Last_Frame_Text(const LiveCounts& counts, std::int64_t now_ms) {
  if (counts.last_frame_ms < 0) return "no frame yet";
  const std::int64_t ago = now_ms > counts.last_frame_ms ? now_ms - counts.last_frame_ms : 0;
  return "last frame " + std::to_string(ago / 1000) + " s ago";
}

std::string Recording_Text(const RecordingStatus& rec, bool full_path) {
  if (!rec.outcome.ok()) return rec.outcome.why();
  if (rec.path.empty()) return "not recording";
  return "recording " +
         (full_path ? rec.path : std::filesystem::path(rec.path).filename().string());
}

}  // namespace

const char* Link_Problem_Text(LinkProblem problem) {
  switch (problem) {
    case LinkProblem::None:
      return "";
    case LinkProblem::Refused:
      return "refused";
    case LinkProblem::HostNotFound:
      return "host not found";
    case LinkProblem::ClosedByTnc:
      return "closed by the TNC";
    case LinkProblem::DeviceVanished:
      return "device vanished";
    case LinkProblem::NoAnswer:
      return "no answer";
    case LinkProblem::CannotOpen:
      return "cannot open the device";
    case LinkProblem::Other:
      return "connection failed";
  }
  return "connection failed";
}

std::string Link_Text(const LinkStatus& link, std::int64_t now_ms) {
  switch (link.phase) {
    case LinkPhase::Disconnected:
      return "disconnected";
    case LinkPhase::Connecting:
      return "connecting to " + link.source;
    case LinkPhase::Connected:
      return "connected to " + link.source;
    case LinkPhase::Waiting:
      return "reconnecting to " + link.source + " in " + Seconds_Until(now_ms, link.retry_at_ms) +
             " (" + Link_Problem_Text(link.problem) + ")";
  }
  return {};
}

std::string Live_Status_Line(const LinkStatus& link, const LiveSession& session,
                             std::int64_t now_ms) {
  const LiveCounts& counts = session.Counts();
  std::string line = Link_Text(link, now_ms);
  line += " | " + std::to_string(counts.frames) + " frames, " + std::to_string(counts.decoded) +
          " decoded";
  // Says that the modem hears the channel even while the satellite is silent.
  if (counts.other > 0) line += ", " + std::to_string(counts.other) + " from other stations";
  line +=
      " | " + Last_Frame_Text(counts, now_ms) + " | " + Recording_Text(session.Recording(), false);
  if (session.Store_Full()) line += std::string(" | ") + kStoreFullMessage;
  return line;
}

std::string Live_Status_Details(const LinkStatus& link, const LiveSession& session,
                                std::int64_t now_ms) {
  const LiveCounts& c = session.Counts();
  const RecordingStatus& rec = session.Recording();
  std::string text = Link_Text(link, now_ms) + '\n';
  if (!link.detail.empty()) text += "last failure: " + link.detail + '\n';
  text += "connections made: " + std::to_string(link.connections) + '\n';
  text += "bytes received: " + std::to_string(c.bytes) + '\n';
  text += "frames received: " + std::to_string(c.frames) + " (time labels " +
          std::to_string(c.time_labels) + ")\n";
  text += "frames decoded: " + std::to_string(c.decoded) + '\n';
  text += "frames from other stations: " + std::to_string(c.other) + '\n';
  text += "frames with problems: " + std::to_string(c.problems) + '\n';
  text += "frames over 512 bytes discarded: " + std::to_string(c.too_long) + " (" +
          std::to_string(c.discarded_bytes) + " bytes)\n";
  text += "unfinished frames dropped at a disconnect: " + std::to_string(c.cut_off) + '\n';
  if (session.Pending_Bytes() > kFrameCapacity) {
    text += "bytes without FEND being discarded: " + std::to_string(session.Pending_Bytes()) + '\n';
  }
  text += Last_Frame_Text(c, now_ms) + '\n';
  text += Recording_Text(rec, true) + '\n';
  if (!rec.path.empty()) {
    text += "frames recorded: " + std::to_string(rec.frames);
    if (rec.lost) text += ", not recorded: " + std::to_string(rec.lost);
    text += '\n';
  }
  if (session.Store_Full()) text += std::string(kStoreFullMessage) + '\n';
  return text;
}

}  // namespace orvelt

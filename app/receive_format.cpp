#include "receive_format.hpp"

#include <string>

#include "decode/channels.hpp"
#include "decode/frame_kind_name.hpp"
#include "decode/latin1.hpp"
#include "decode/printable_text.hpp"
#include "dump_format.hpp"

namespace orvelt {

namespace {

// The text of a message frame as UTF-8: the bytes after its header and before its trailer.
std::string Message_Text(const LiveFrame& frame) {
  const std::size_t size = frame.bytes.size();
  if (size < static_cast<std::size_t>(kMessageMinBytes)) return {};
  const auto text =
      frame.bytes.subspan(kMessageTextStart, size - kMessageTextStart - kMessageTrailerBytes);
  std::string utf8;
  Append_Latin1_As_Utf8(utf8, {reinterpret_cast<const char*>(text.data()), text.size()});
  return utf8;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The frame's bytes after the KISS command byte in upper-case hex, as they are forwarded; of a
// frame too long to keep, the bytes kept.
std::string Frame_Hex(const LiveFrame& frame) {
  std::string hex;
  if (frame.bytes.size() <= 1) return hex;
  hex.reserve((frame.bytes.size() - 1) * 2);
  for (const std::uint8_t byte : frame.bytes.subspan(1)) {
    hex += kHexDigits[byte >> 4];
    hex += kHexDigits[byte & 0x0F];
  }
  return hex;
}

std::size_t Payload_Bytes(const LiveFrame& frame) {
  return frame.full_length > 0 ? frame.full_length - 1 : 0;
}

const char* Problem(const LiveFrame& frame) {
  const FrameProblem problem = frame.taken.outcome.problem;
  if (problem != FrameProblem::None) return Problem_Text(problem);
  if (!frame.decoded) return "not decoded: the store is full";
  return nullptr;
}

}  // namespace

bool Has_Frame_Line(const LiveFrame& frame) {
  return !frame.taken.time_label;
}

void Write_Frame_Line(std::ostream& out, const LiveFrame& frame) {
  const FrameOutcome& outcome = frame.taken.outcome;
  // Label and message text come from the radio: escaped, so one frame is always one line and
  // never a terminal command.
  out << Printable_Text(Latin1_To_Utf8(frame.label)) << ' ' << Frame_Kind_Name(outcome) << ':';
  if (!Is_Telemetry(frame)) {
    out << ' ' << Payload_Bytes(frame) << " bytes";
    if (const char* problem = Problem(frame)) out << ", " << problem;
    out << ": " << Frame_Hex(frame) << '\n';
    return;
  }
  if (outcome.kind == FrameKind::Message) out << ' ' << Printable_Text(Message_Text(frame));
  for (int k = 0; k < outcome.value_count; ++k) {
    const ChannelValue& v = outcome.values[static_cast<std::size_t>(k)];
    // The JSON form carries the exact double.
    out << (k ? ", " : " ") << v.channel << ' ' << Channel_Caption(v.channel) << " = "
        << Plain_Number(v.value);
    if (const std::string_view unit = Channel_Unit(v.channel); !unit.empty()) out << ' ' << unit;
  }
  out << '\n';
}

std::string Run_Counts_Text(const LiveCounts& counts) {
  std::string text = std::to_string(counts.frames) + " frames received";
  if (counts.time_labels > 0) {
    text += " (" + std::to_string(counts.time_labels) + " of them time label";
    text += counts.time_labels == 1 ? ")" : "s)";
  }
  return text + ", " + std::to_string(counts.decoded) + " decoded, " +
         std::to_string(counts.other) + " from other stations";
}

void Write_Frame_Json(std::ostream& out, const LiveFrame& frame) {
  const FrameOutcome& outcome = frame.taken.outcome;
  out << "{\"time_label\": ";
  Write_Json_String(out, Latin1_To_Utf8(frame.label));
  out << ", \"kind\": ";
  Write_Json_String(out, Frame_Kind_Name(outcome));
  if (!Is_Telemetry(frame)) {
    out << ", \"bytes\": " << Payload_Bytes(frame) << ", \"problem\": ";
    if (const char* problem = Problem(frame)) {
      Write_Json_String(out, problem);
    } else {
      out << "null";
    }
    out << ", \"hex\": \"" << Frame_Hex(frame) << "\"}\n";
    return;
  }
  out << ", \"channels\": {";
  for (int k = 0; k < outcome.value_count; ++k) {
    const ChannelValue& v = outcome.values[static_cast<std::size_t>(k)];
    out << (k ? ", \"" : "\"") << v.channel << "\": " << Shortest_Number(v.value);
  }
  out << "}, \"message\": ";
  if (outcome.kind == FrameKind::Message) {
    Write_Json_String(out, Message_Text(frame));
  } else {
    out << "null";
  }
  out << "}\n";
}

}  // namespace orvelt

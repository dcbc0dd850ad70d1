#include "window/frame_rows.hpp"

#include <cstdio>

#include "decode/channels.hpp"
#include "decode/downlink.hpp"

namespace orvelt {

namespace {

std::string Hex_Byte(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

}  // namespace

const char* Frame_Filter_Name(FrameFilter filter) {
  switch (filter) {
    case FrameFilter::All:
      return "All frames";
    case FrameFilter::Telemetry:
      return "Telemetry";
    case FrameFilter::Messages:
      return "Messages";
    case FrameFilter::Other:
      return "Other stations";
    case FrameFilter::Problems:
      return "Skipped";
  }
  return "";
}

bool Frame_Matches(const FrameLogEntry& entry, FrameFilter filter) {
  switch (filter) {
    case FrameFilter::All:
      return true;
    case FrameFilter::Telemetry:
      return entry.kind == FrameKind::Counter || entry.kind == FrameKind::Sensor;
    case FrameFilter::Messages:
      return entry.kind == FrameKind::Message;
    case FrameFilter::Other:
      return entry.kind == FrameKind::Other;
    case FrameFilter::Problems:
      return entry.problem != FrameProblem::None;
  }
  return false;
}

std::vector<std::uint32_t> Filter_Frames(const FrameLog& log, FrameFilter filter) {
  std::vector<std::uint32_t> rows;
  for (std::size_t i = 0; i < log.size(); ++i) {
    if (Frame_Matches(log.Entry(i), filter)) rows.push_back(static_cast<std::uint32_t>(i));
  }
  return rows;
}

std::vector<int> Frame_Channels(const FrameLogEntry& entry) {
  if (entry.kind == FrameKind::Counter) {
    const int k = entry.type - kFirstCounterType;
    if (k >= 0 && k < static_cast<int>(kCounterChannels.size())) {
      return {kCounterChannels[static_cast<std::size_t>(k)]};
    }
    return {};
  }
  if (entry.kind != FrameKind::Sensor) return {};
  switch (entry.type) {
    case kBatteryRecord:
      if (const auto c = Find_Calibration<kBatteryCalibrations>(entry.selector))
        return {c->channel};
      return {};
    case kSolarRecord:
      if (const auto c = Find_Calibration<kSolarCalibrations>(entry.selector)) return {c->channel};
      return {};
    case kSwitchboardRecord:
      if (const auto c = Find_Calibration<kSwitchCalibrations>(entry.selector)) {
        return {c->current_channel, c->voltage_channel};
      }
      return {};
    case kMagnetometerRecord:
      if (entry.selector == kMagnetometerXYSelector) {
        return {kMagnetometerXChannel, kMagnetometerYChannel};
      }
      if (entry.selector == kMagnetometerZSelector) return {kMagnetometerZChannel};
      return {};
    default:
      return {};
  }
}

std::string Frame_Outcome_Text(const FrameLogEntry& entry) {
  // A frame too long to take was never decoded: its kind says nothing.
  if (entry.problem == FrameProblem::FrameTooLong) {
    return std::string("skipped: ") + Problem_Text(entry.problem);
  }
  std::string text;
  switch (entry.kind) {
    case FrameKind::Other:
      text = "other station or no satellite frame";
      break;
    case FrameKind::Message:
      text = "message";
      break;
    case FrameKind::Counter:
      text = "counter " + Hex_Byte(entry.type);
      break;
    case FrameKind::Sensor:
      text =
          "sensor record " + Hex_Byte(entry.type) + " selector " + std::to_string(entry.selector);
      break;
  }
  const std::vector<int> channels = Frame_Channels(entry);
  const char* separator = ": ";
  for (const int c : channels) {
    text += separator;
    text += Channel_Caption(c);
    separator = ", ";
  }
  if ((entry.kind == FrameKind::Counter || entry.kind == FrameKind::Sensor) && channels.empty()) {
    text += ": no channel";
  }
  if (entry.problem != FrameProblem::None) {
    text += " (skipped: ";
    text += Problem_Text(entry.problem);
    text += ')';
  }
  return text;
}

}  // namespace orvelt

#include "decode/frame_kind_name.hpp"

#include <cstdio>

#include "decode/downlink.hpp"

namespace orvelt {

std::string Frame_Kind_Name(const FrameOutcome& outcome) {
  switch (outcome.kind) {
    case FrameKind::Counter:
      return "counter";
    case FrameKind::Message:
      return "message";
    case FrameKind::Other:
      return "other station";
    case FrameKind::Sensor:
      break;
  }
  switch (outcome.type) {
    case kBatteryRecord:
      return "battery";
    case kSolarRecord:
      return "solar array";
    case kSwitchboardRecord:
      return "switchboard";
    case kMagnetometerRecord:
      return "magnetometer";
    default: {
      char text[24];
      std::snprintf(text, sizeof text, "sensor record 0x%02X", outcome.type);
      return text;
    }
  }
}

}  // namespace orvelt

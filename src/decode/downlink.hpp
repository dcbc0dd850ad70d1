#pragma once

// The ORVELT-1 downlink as the ground station receives it: frame kinds, record types, channel
// numbers and calibrations. The decoder reads frames by these definitions and the capture
// generator builds frames by them, so the two cannot drift apart.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace orvelt {

// Channel indexes 0..53 have a series in the store.
inline constexpr int kChannelCount = 54;

// The current frame holds at most this many bytes after unescaping.
inline constexpr int kFrameCapacity = 512;

// A frame whose command byte is 9 carries a time label; labels keep at most 19 characters.
inline constexpr std::uint8_t kTimeLabelCommand = 9;
inline constexpr std::size_t kTimeLabelMax = 19;

// Byte 1 of a counter frame; bytes 1, 2 and 5 of message and sensor frames.
inline constexpr std::uint8_t kCounterMarker = 0x01;
inline constexpr std::uint8_t kHeaderByte1 = 0xC0;
inline constexpr std::uint8_t kHeaderByte2 = 0x80;
inline constexpr std::uint8_t kMessageMarker = 0xC0;
inline constexpr std::uint8_t kSensorMarker = 0x02;

// Record types of sensor frames (byte 6).
inline constexpr std::uint8_t kBatteryRecord = 0x2C;
inline constexpr std::uint8_t kSolarRecord = 0x2D;
inline constexpr std::uint8_t kSwitchboardRecord = 0x66;
inline constexpr std::uint8_t kMagnetometerRecord = 0x89;

// Counter types 0xE0..0xE4 (byte 2) and the channels they fill.
inline constexpr std::uint8_t kFirstCounterType = 0xE0;
inline constexpr std::array<int, 5> kCounterChannels = {46, 47, 48, 49, 50};

// Battery voltages (V) and solar-array currents (mA): value = slope * raw + offset, raw the
// signed little-endian word at bytes 9 and 10.
struct LinearCalibration {
  std::uint8_t selector;
  int channel;
  double slope;
  double offset;
};

inline constexpr std::array<LinearCalibration, 2> kBatteryCalibrations = {{
    {3, 3, -0.00945, 9.7488},
    {8, 8, -0.00946, 9.7526},
}};

inline constexpr std::array<LinearCalibration, 6> kSolarCalibrations = {{
    {1, 10, -0.542490348, 528.0441026},
    {4, 13, -0.537846059, 523.1519466},
    {7, 16, -0.541228423, 526.8412823},
    {10, 19, -0.52264946, 508.5204547},
    {13, 21, -0.518702129, 512.807352},
    {31, 27, -0.52947555, 515.5141451},
}};

// Switchboard records, one switch each: current (mA) = ci * I - cb; voltage (V) =
// (vi * V - vb) / 1000, except where `offset_added` says the constant is added instead.
struct SwitchCalibration {
  std::uint8_t selector;
  int current_channel;
  double ci;
  double cb;
  int voltage_channel;
  double vi;
  double vb;
  bool offset_added;
  int status_slot;  // 0..7, the switch's place among the status boxes
};

inline constexpr std::array<SwitchCalibration, 8> kSwitchCalibrations = {{
    {0x81, 28, 0.259549, 1.516825, 38, 0.2300107, 1.113424579, false, 0},
    {0x86, 29, 0.258359, 1.554162, 39, 0.2315349, 1.136056829, false, 1},
    {0x8B, 30, 0.258359, 1.595903, 40, 0.23315, 1.187043977, false, 2},
    {0x90, 31, 0.518526, 8.756971, 41, 0.3667785, 7.266803691, false, 3},
    {0x95, 32, 0.534516, 3.25046, 42, 0.2603641, 0.504061, false, 4},
    {0x9A, 33, 0.528245, 2.974109, 43, 0.2233264, 0.930303516, false, 5},
    {0x9F, 34, 0.260476, 0.91132, 44, 0.2254974, 0.993915009, false, 6},
    {0xA4, 35, 0.532941, 3.152331, 45, 0.2592693, 0.3656067, true, 7},
}};
inline constexpr int kSwitchCount = static_cast<int>(kSwitchCalibrations.size());

// A switchboard current word of this value makes the whole record be ignored.
inline constexpr int kIgnoredSwitchCurrent = 0x3468;
// Switch status codes 0..16 have a text.
inline constexpr int kSwitchStatusCount = 17;

// Magnetometer records (µT): value = signed 32-bit big-endian word / 1e8. Selector 3 carries X
// at bytes 9..12 and Y at 13..16, selector 5 carries Z at 9..12.
inline constexpr double kMagnetometerScale = 100000000;
inline constexpr std::uint8_t kMagnetometerXYSelector = 3;
inline constexpr std::uint8_t kMagnetometerZSelector = 5;
inline constexpr int kMagnetometerXChannel = 51;
inline constexpr int kMagnetometerYChannel = 52;
inline constexpr int kMagnetometerZChannel = 53;

// Bytes a frame must hold, counting from byte 0, for each part to be read.
inline constexpr int kCounterBytes = 7;
inline constexpr int kMessageMinBytes = 9;
inline constexpr int kSensorHeaderBytes = 8;
inline constexpr int kWordRecordBytes = 11;
inline constexpr int kSwitchRecordBytes = 14;
inline constexpr int kMagnetometerXYBytes = 17;
inline constexpr int kMagnetometerZBytes = 13;
// The last three bytes of a message frame are no text.
inline constexpr int kMessageTrailerBytes = 3;
inline constexpr int kMessageTextStart = 6;

// Each selector's place in a calibration table, -1 where it has none: one lookup per record,
// where a search costs a branch per entry.
template <const auto& kTable>
inline constexpr std::array<std::int8_t, 256> kSelectorPlace = [] {
  std::array<std::int8_t, 256> place{};
  place.fill(-1);
  for (std::size_t i = 0; i < kTable.size(); ++i) place[kTable[i].selector] = std::int8_t(i);
  return place;
}();

template <const auto& kTable>
constexpr auto Find_Calibration(std::uint8_t selector) -> const
    typename std::remove_cvref_t<decltype(kTable)>::value_type* {
  const int place = kSelectorPlace<kTable>[selector];
  return place < 0 ? nullptr : &kTable[static_cast<std::size_t>(place)];
}

}  // namespace orvelt

#pragma once

// Builds ORVELT-1 downlink frames and KISS capture files (.kss) as the ground station writes
// them. Every frame is a byte vector whose byte 0 is the KISS command byte; Kiss_Frame and
// CaptureBuilder add the framing. Raw words come from engineering values through the inverse of
// the on-board calibrations, so generated passes decode to physical numbers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "decode/downlink.hpp"
#include "decode/time_label.hpp"
#include "ingest/kiss.hpp"

namespace orvelt::tools {

using Bytes = std::vector<std::uint8_t>;

using orvelt::kBatteryRecord;
using orvelt::kMagnetometerRecord;
using orvelt::kSolarRecord;
using orvelt::kSwitchboardRecord;

// A switchboard current word of this value makes the decoder drop the whole record.
inline constexpr std::uint16_t kIgnoredCurrentWord = orvelt::kIgnoredSwitchCurrent;

// The selectors of each record type, as the downlink defines them.
template <typename Table>
constexpr auto Selectors_Of(const Table& table) {
  std::array<std::uint8_t, std::tuple_size_v<Table>> selectors{};
  for (std::size_t k = 0; k < table.size(); ++k) selectors[k] = table[k].selector;
  return selectors;
}
inline constexpr auto kBatterySelectors = Selectors_Of(orvelt::kBatteryCalibrations);
inline constexpr auto kSolarSelectors = Selectors_Of(orvelt::kSolarCalibrations);
inline constexpr auto kSwitchSelectors = Selectors_Of(orvelt::kSwitchCalibrations);

// --- Frames -------------------------------------------------------------------------------

// 0x09 followed by the label text, normally "YYYY-MM-DD HH:MM:SS".
Bytes Text_Time_Label_Frame(std::string_view label);
// 0x09 followed by the milliseconds since 1970-01-01 00:00:00 UTC, 8 bytes big-endian.
Bytes Binary_Time_Label_Frame(std::int64_t ms_since_1970);

// Counter frame: 00 01 type value(4 bytes, big-endian). Types 0xE0..0xE4; a value of 0x80000000
// or more gives a frame the decoder rejects.
Bytes Counter_Frame(std::uint8_t type, std::uint32_t value);

// Message frame: 00 C0 80 seq(2) C0 text trailer(3). `seq` fills the two bytes the decoder skips.
Bytes Message_Frame(std::string_view text, std::array<std::uint8_t, 3> trailer = {},
                    std::uint16_t seq = 0);

// Sensor frame: 00 C0 80 seq(2) 02 type selector 00 data...; `data` starts at byte 9.
Bytes Sensor_Frame(std::uint8_t record_type, std::uint8_t selector,
                   std::span<const std::uint8_t> data, std::uint16_t seq = 0);
// Battery (0x2C) or solar-array (0x2D) record: signed raw word little-endian at bytes 9, 10.
Bytes Raw_Word_Record(std::uint8_t record_type, std::uint8_t selector, std::int16_t raw,
                      std::uint16_t seq = 0);
// Switchboard record: status at byte 9, current word high byte first at 10, 11, voltage word low
// byte first at 12, 13.
Bytes Switchboard_Record(std::uint8_t selector, std::uint8_t status, std::uint16_t current_word,
                         std::uint16_t voltage_word, std::uint16_t seq = 0);
// Magnetometer records, words big-endian: selector 3 carries X at 9..12 and Y at 13..16,
// selector 5 carries Z at 9..12.
Bytes Magnetometer_XY_Record(std::int32_t x, std::int32_t y, std::uint16_t seq = 0);
Bytes Magnetometer_Z_Record(std::int32_t z, std::uint16_t seq = 0);

// --- Calibration inverses -----------------------------------------------------------------
// Each returns the raw word nearest to the value, clamped to the range the decoder accepts.
// An unknown selector throws std::invalid_argument.

std::int16_t Battery_Raw(std::uint8_t selector, double volts);
std::int16_t Solar_Raw(std::uint8_t selector, double milliamps);
std::uint16_t Switch_Current_Word(std::uint8_t selector, double milliamps);  // 0..0x7FFF
std::uint16_t Switch_Voltage_Word(std::uint8_t selector, double volts);      // 0..0x7FFF
std::int32_t Magnetometer_Word(double microtesla);

// --- KISS framing and capture files -------------------------------------------------------

// FEND, the frame with 0xC0 escaped as DB DC and 0xDB as DB DD, FEND.
inline Bytes Kiss_Frame(std::span<const std::uint8_t> frame) {
  Bytes out;
  orvelt::Kiss_Encode(frame, out);
  return out;
}

class CaptureBuilder {
 public:
  void Add(std::span<const std::uint8_t> frame);      // appends Kiss_Frame(frame)
  void Add_Raw(std::span<const std::uint8_t> bytes);  // appends bytes unframed, for odd files
  const Bytes& bytes() const { return bytes_; }
  std::size_t frame_count() const { return frames_; }
  bool Write_File(const std::filesystem::path& path) const;  // false when it cannot be written

 private:
  Bytes bytes_;
  std::size_t frames_ = 0;
};

// --- Simulated passes ---------------------------------------------------------------------

using orvelt::Format_Time_Label;
using orvelt::Parse_Time_Label;

struct PassOptions {
  std::int64_t start = 1795857240;  // 2026-11-28 09:14:00
  int seconds = 600;                // one time label per second
  std::uint32_t seed = 1;
  bool binary_time = false;  // binary time labels instead of text
  bool damaged = false;      // sprinkle frames the decoder must reject
  bool foreign = false;      // sprinkle frames of other stations
  bool fill = false;         // every record every second, for at least 5000 seconds
};

// The capture of one pass: per second a time label, then the battery, solar-array,
// magnetometer, switchboard and counter records, now and then a message. Without `fill` each
// switch reports every other second and each counter every fifth second, which keeps a pass
// small; with it every decoded channel gets one sample per second for at least 5000 seconds,
// so each reaches the store's 5000 samples. The same options give the same bytes.
CaptureBuilder Generate_Pass(const PassOptions& options);

// Every kind of frame the decoder tells apart, each with the raw values at the edges of its
// range: every counter type, messages (Latin-1 text, C1 control bytes, no text), every battery,
// solar-array and magnetometer selector, every switch with every status code 0 to 16, ignored
// and unknown records, frames of other stations, then the frames the decoder rejects (too
// short, out of range, status code 17 or more, longer than 512 bytes) and frames on another
// KISS port. A time label stands before each group; the file ends with an unfinished frame.
CaptureBuilder Every_Kind_Capture();

}  // namespace orvelt::tools

#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "decode/telemetry_state.hpp"
#include "ingest/load_report.hpp"
#include "window/form_model.hpp"

namespace orvelt {

inline constexpr std::uint8_t kFend = 0xC0;
inline constexpr std::uint8_t kFesc = 0xDB;
inline constexpr std::uint8_t kTfend = 0xDC;
inline constexpr std::uint8_t kTfesc = 0xDD;
inline constexpr std::uint8_t kTimeLabelCommand = 9;

// How the reading of one file ended.
enum class ReadStatus {
  Completed,   // read to its end (frames with problems skipped and reported)
  Unreadable,  // the file exists but could not be read; reported, nothing decoded
  Stopped,     // the store is full: the load must stop here
};

// Sets TimeLabel from the current frame, a time-label frame: its text, cut to 19 characters,
// or, for a binary stamp of milliseconds since 1970 (UTC), "YYYY-MM-DD HH:MM:SS".
void Read_Time_Label(TelemetryState& state);

// Reads a whole capture file into memory. A name that names no file reads as empty; a file
// that exists but cannot be read gives false and a reason.
bool Read_Whole_File(const std::string& file_name, std::vector<std::uint8_t>& bytes,
                     std::string& error);

// Cuts a capture file at its FEND bytes, unescapes every frame and either takes it as the new
// time label or logs its hex line and decodes it. The piece after the last FEND is no frame.
ReadStatus Read_Kissfile(const std::string& file_name, TelemetryState& state, FormModel& form,
                         LoadReport& report);

// The same over bytes already in memory; `file_name` only names them in the report.
ReadStatus Read_Kiss_Bytes(std::span<const std::uint8_t> bytes, const std::string& file_name,
                           TelemetryState& state, FormModel& form, LoadReport& report);

}  // namespace orvelt

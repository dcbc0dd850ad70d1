#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "decode/frame_decoder.hpp"
#include "decode/telemetry_state.hpp"
#include "ingest/load_report.hpp"

namespace orvelt {

// How the reading of one file ended.
enum class ReadStatus {
  Completed,   // read to its end (frames with problems skipped and reported)
  Unreadable,  // missing, not a regular file or unreadable; reported, nothing decoded
  Stopped,     // the store is full: the load must stop here
  Cancelled,   // the user cancelled: the load ends, what was read stays
};

// One frame of a load, as an observer of the load sees it, once the frame was taken and counted.
struct FrameEvent {
  std::int64_t frame_number = 0;  // in its file, counting every frame from 1
  std::span<const std::uint8_t> stored;
  std::size_t full_length = 0;
  const TakenFrame& taken;
};
using FrameObserver = std::function<void(const FrameEvent&)>;

struct LoadProgress {
  std::size_t files_done = 0;
  std::size_t files_total = 0;
  std::uint64_t bytes_done = 0;
  std::uint64_t bytes_total = 0;  // of the regular files among them
};

struct LoadOptions {
  // The window takes regular files only: a FIFO or device would block it or never end. A
  // command-line tool reads whatever it is given, standard input as "-" included.
  bool regular_files_only = true;
  bool allow_stdin = false;
  std::size_t chunk_bytes = std::size_t{1} << 20;
  // After every chunk read; returning false cancels the load.
  std::function<bool(const LoadProgress&)> progress;
  // The consumers that follow the load frame by frame, called in order after every frame, with
  // the state as that frame left it.
  std::vector<FrameObserver> observers;
  // Before each file is read (it is then the CaptureFileName), and after each file read to its
  // end.
  std::function<void(std::size_t file)> before_file;
  std::function<void(std::size_t file)> after_file;
};

// Reads one capture file in chunks through the KISS deframer and takes every frame it holds:
// time labels set the label, every other frame is decoded. The piece after the last FEND is no
// frame; it is reported as an incomplete last frame. Appends the file's report to `report` and
// counts what it reads into `progress`, which a load shares over all its files.
ReadStatus Read_Kissfile(const std::string& file_name, TelemetryState& state, LoadReport& report,
                         const LoadOptions& options, LoadProgress& progress);

// Takes every frame of bytes already in memory, as a file holding them would be read; stops at
// a full store. The bytes after the last FEND are no frame. False when the store was full.
bool Take_Kiss_Bytes(TelemetryState& state, std::span<const std::uint8_t> bytes);

// Whether a file can be loaded as a capture: it opens as Read_Kissfile would open it (a name
// of no file is refused here) and holds at least one frame that is the satellite's beyond doubt
// (Is_Satellite_Frame). Reads only up to that frame, so a capture costs a few bytes and only a
// file of something else is read whole. The report's error says why a file is refused.
FileReport Check_Capture(const std::string& file_name, const LoadOptions& options);

// "20 kB": a file's size as the user reads it.
std::string Size_Text(std::uint64_t bytes);

// Reads the files in order into the store (without emptying it first): each becomes
// CaptureFileName before it is read. A file that cannot be read is reported and skipped; a
// full store or a cancel ends the load, and what was read stays.
LoadReport Load_Files(TelemetryState& state, const std::vector<std::string>& files,
                      const LoadOptions& options = {});

}  // namespace orvelt

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decode/frame_outcome.hpp"

namespace orvelt {

// Why a file could not be read at all.
enum class FileError : std::uint8_t {
  None,
  NoSuchFile,      // the name names no file
  NotRegularFile,  // a folder, FIFO, device or socket where a capture file was expected
  CannotRead,      // exists, but opening or reading failed (the detail says why)
  NotCapture,      // readable, but holds no frame of the satellite (the detail says what)
};

// A frame with a problem, by its number in the file (counting every frame from 1).
struct ProblemAt {
  FrameProblem problem = FrameProblem::None;
  std::int64_t frame = 0;
};

// What the load did with one file. Problems are counted per reason; only the first frames with
// problems are kept by number, so a report stays small whatever the capture holds.
struct FileReport {
  static constexpr std::size_t kKeptFrames = 100;

  std::string path;
  FileError error = FileError::None;
  std::string error_detail;
  bool read_to_end = false;
  std::uint64_t bytes_read = 0;
  std::int64_t frames = 0;
  std::int64_t time_labels = 0;
  std::int64_t other_stations = 0;     // frames of none of the satellite's kinds, taken whole
  std::uint64_t incomplete_bytes = 0;  // bytes after the last FEND
  std::array<std::int64_t, kFrameProblemCount> problem_counts{};
  std::vector<ProblemAt> first_problems;

  void Add_Problem(FrameProblem problem, std::int64_t frame);
  std::int64_t Problem_Count() const;
};

// Where a load stopped because a channel was full.
struct StoreFullStop {
  std::size_t file = 0;  // index into LoadReport::files
  std::int64_t frame = 0;
  int channel = -1;
};

// What one load did: per file how much was read and which frames were skipped and why, and
// why the load ended early if it did.
struct LoadReport {
  std::vector<FileReport> files;
  std::optional<StoreFullStop> stopped;
  bool cancelled = false;

  bool Complete() const { return !stopped && !cancelled; }
  int Files_Read() const;
  std::int64_t Frames() const;
  std::int64_t Problem_Count() const;
  std::int64_t Other_Stations() const;
  // Frames that are counted but were not decoded: time labels and frames over 512 bytes.
  std::int64_t Unlisted_Frames() const;

  // One line for a status bar, e.g. "3 problems: value out of range" or "4 frames from other
  // stations"; empty when every frame was the satellite's and all went well.
  std::string Summary() const;
  // Per file: counts per reason, the first frame numbers, and why the load stopped.
  std::string Details() const;
};

// The words for a file error, e.g. "no such file".
std::string File_Error_Text(const FileReport& file);
// Why a file was not read, naming it: "notes.txt is not a capture file: no frame of ORVELT-1 in
// 2 kB", "gone.kss: no such file".
std::string File_Refusal_Text(const FileReport& file);

}  // namespace orvelt

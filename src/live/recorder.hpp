#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.hpp"

namespace orvelt {

// "ORVELT-1_YYYYMMDD_HHMMSS.kss" of a UTC start in milliseconds since 1970.
std::string Recording_File_Name(std::int64_t start_ms);

// How a recording ended up, for the status line.
struct RecordingStatus {
  std::string path;            // the file being written, empty before one was opened
  Outcome outcome;             // done while recording goes on; why it stopped (or never started)
  std::uint64_t frames = 0;    // frames written
  std::uint64_t labels = 0;    // time-label frames added before frames
  std::uint64_t too_long = 0;  // frames over 512 bytes: counted, not written
  std::uint64_t lost = 0;      // frames not written because recording had stopped
  bool recording() const { return !path.empty() && outcome.ok(); }
};

// Writes the frames of a live session into a capture file that reads back as the session
// decoded them: every frame KISS-framed as received, and a text time-label frame before a frame
// whenever the label in force in the file would otherwise differ from the frame's own.
//
// Every frame goes to the kernel with one write() as soon as it is recorded, so a crash of the
// program loses nothing recorded; Sync() makes the file durable (fdatasync) and is called after
// each piece of bytes received, so a power cut loses at most the frames of the piece being
// written. A write that fails (disk full, folder gone) is undone back to the last whole frame,
// recording stops with the reason, and everything written before stays readable.
class Recorder {
 public:
  Recorder() = default;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  ~Recorder() { Close(); }

  // Starts a recording started at `start_ms` in `folder` (made if missing). Its file, named by
  // Recording_File_Name with "_2", "_3"... before the extension where a file of that name
  // exists (an existing file is never opened), is created with the first frame. Fails when the
  // folder cannot be made or written; status() then says why too.
  Outcome Open(const std::string& folder, std::int64_t start_ms);

  // Records one frame (unescaped, byte 0 the KISS command byte) of `full_length` bytes that
  // carries `label`. A time-label frame passes the label it sets; any other frame the label it
  // was decoded with.
  void Record(std::span<const std::uint8_t> frame, std::size_t full_length, std::string_view label,
              bool time_label);

  // Makes what was written durable (fdatasync).
  void Sync();
  // The call that makes the file durable, fdatasync unless replaced: a test counts the syncs
  // through it.
  using SyncCall = int (*)(int fd);
  void Set_Sync_Call(SyncCall sync) { sync_ = sync; }
  // Syncs and closes the file; status() keeps the counts.
  void Close();
  // Closes the file and forgets it: no recording.
  void Reset() {
    Close();
    status_ = {};
  }

  const RecordingStatus& status() const { return status_; }

 private:
  Outcome Create();
  Outcome Write(const std::vector<std::uint8_t>& bytes);
  Failure Failed(const std::string& what, int error_number) const;

  std::filesystem::path base_;         // the file's name before a taken one is avoided
  bool awaiting_first_frame_ = false;  // opened, its file not made yet
  int fd_ = -1;
  std::int64_t written_ = 0;  // bytes of whole frames in the file
  bool dirty_ = false;        // written since the last sync
  SyncCall sync_ = ::fdatasync;
  std::optional<std::string> label_in_force_;  // unknown until the file sets one
  std::vector<std::uint8_t> buffer_;
  RecordingStatus status_;
};

}  // namespace orvelt

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"
#include "decode/telemetry_state.hpp"
#include "ingest/capture_reader.hpp"

namespace orvelt {

// The frames of a load into the window, gathered while it runs and archived after it, so that
// the load itself goes at its own pace and keeps its store's rules. Each file becomes a capture
// source of its own, named as `orvelt-archive add` names it, so that the same capture from
// either adds nothing the second time.
class GatheredFrames {
 public:
  // After `state` took a frame of the file it is reading (its CaptureFileName).
  void Take(const TelemetryState& state, const FrameEvent& event);

  std::int64_t Frames() const { return static_cast<std::int64_t>(frames_.size()); }

  // Archives the frames gathered, `batch_frames` to a transaction.
  ArchiveLoad Add_To(Archive& archive, std::int64_t batch_frames = 5000) const;

 private:
  struct File {
    std::string name;
    std::string source;
    std::size_t first_frame = 0;
  };
  struct Frame {
    std::size_t offset = 0;  // of its bytes in bytes_
    std::size_t size = 0;
    std::optional<UtcSeconds> time;
    FrameOutcome outcome;
  };
  std::vector<File> files_;
  std::vector<Frame> frames_;
  std::vector<std::uint8_t> bytes_;
  std::string label_;
  std::optional<UtcSeconds> time_;
  std::string reading_;    // the file whose frames come now
  bool labelled_ = false;  // it has had a time label of its own
};

}  // namespace orvelt

#include "archive/gathered_frames.hpp"

#include "decode/time_label.hpp"

namespace orvelt {

void GatheredFrames::Take(const TelemetryState& state, const FrameEvent& event) {
  const FrameOutcome& outcome = event.taken.outcome;
  // The window carries the time label in force from one file to the next; the archive does
  // not: a file's frames before its own first time label have no time, as when the file is
  // added on its own, so that they are never filed under another file's pass.
  if (state.CaptureFileName != reading_) {
    reading_ = state.CaptureFileName;
    labelled_ = false;
  }
  if (event.taken.time_label) {
    labelled_ = true;
    return;
  }
  // A frame the full store turned away lacks its values: archived so, it would keep its samples
  // out for good, since the same frame added later is already there.
  if (outcome.problem == FrameProblem::StoreFull) return;
  if (files_.empty() || files_.back().name != state.CaptureFileName) {
    files_.push_back(
        {state.CaptureFileName, Capture_Source_Name(state.CaptureFileName), frames_.size()});
  }
  if (state.TimeLabel != label_) {
    label_ = state.TimeLabel;
    time_ = Parse_Time_Label(label_);
  }
  frames_.push_back(
      {bytes_.size(), event.stored.size(), labelled_ ? time_ : std::nullopt, outcome});
  bytes_.insert(bytes_.end(), event.stored.begin(), event.stored.end());
}

ArchiveLoad GatheredFrames::Add_To(Archive& archive, std::int64_t batch_frames) const {
  ArchiveLoad load;
  ArchiveFeed feed(archive, 0, load, batch_frames);
  for (std::size_t f = 0; f < files_.size() && load.outcome.ok(); ++f) {
    auto source = archive.Source_Id({SourceKind::Capture, files_[f].source});
    if (!source.ok()) {
      load.outcome = Failure{source.why()};
      break;
    }
    feed.Set_Source(source.value());
    const std::size_t end = f + 1 < files_.size() ? files_[f + 1].first_frame : frames_.size();
    for (std::size_t k = files_[f].first_frame; k < end; ++k) {
      const Frame& frame = frames_[k];
      if (!feed.Take_Timed({bytes_.data() + frame.offset, frame.size}, frame.time, frame.outcome)
               .ok()) {
        break;
      }
    }
  }
  feed.End();
  return load;
}

}  // namespace orvelt

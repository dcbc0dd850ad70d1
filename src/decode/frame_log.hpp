#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "decode/frame_outcome.hpp"
#include "decode/telemetry_store.hpp"
#include "decode/time_label.hpp"

namespace orvelt {

// The hex line of a frame: two upper-case digits and a blank per byte.
std::string Hex_Line(std::span<const std::uint8_t> frame);

// What became of a logged frame, as its line keeps it.
struct LineFacts {
  FrameKind kind = FrameKind::Other;
  std::uint8_t type = 0;
  std::uint8_t selector = 0;
  FrameProblem problem = FrameProblem::None;

  // Of a FrameOutcome, or of any outcome that tells the same four things.
  template <typename Outcome>
  static LineFacts Of(const Outcome& outcome) {
    return {outcome.kind, outcome.type, outcome.selector, outcome.problem};
  }
};

// One logged frame, as a frame view shows it.
struct FrameLogEntry {
  // The capture file it was read from (empty for a frame received live) and its number there,
  // counting every frame of the file from 1 as the load report does; a received frame's number
  // counts the received frames of the log.
  std::string_view file;
  std::int64_t number = 0;
  std::span<const std::uint8_t> bytes;
  std::string_view label;
  FrameKind kind = FrameKind::Other;
  std::uint8_t type = 0;
  std::uint8_t selector = 0;
  FrameProblem problem = FrameProblem::None;
};

// The log of every frame handed to the decoder, with its time label and what became of it (the
// hex lines of the window's `Debug` box are made from it). It keeps the frames' bytes and
// formats a line only when one is read, and it keeps only the most recent frames (by count and
// by bytes), so that a load costs one copy per frame and no capture grows it without limit.
class FrameLog {
 public:
  static constexpr std::size_t kMaxLines = 100000;
  static constexpr std::size_t kMaxBytes = std::size_t{32} << 20;

  // Frames appended with a file number from now on were read from `file`.
  void Begin_File(std::string_view file);
  // `file_frame` is the frame's number in the file last begun, counting every frame from 1; 0
  // for a frame that comes from no file.
  void Append(std::span<const std::uint8_t> frame, std::string_view label,
              const FrameOutcome& outcome, std::int64_t file_frame = 0) {
    Append_Line(frame, label, LineFacts::Of(outcome), file_frame);
  }
  // Appends frames that were cut one after another, all under `label` and numbered on from
  // `first_file_frame` (or received, when it is 0): frame k's bytes are base[from..ends[k]),
  // `from` being ends[k - 1], or `begin` for the first.
  void Append_Run(const std::uint8_t* base, std::uint32_t begin,
                  std::span<const std::uint32_t> ends, const LineFacts* facts,
                  std::string_view label, std::int64_t first_file_frame);

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Entry i of the kept frames, 0 the oldest; valid until the next Append.
  FrameLogEntry Entry(std::size_t i) const;
  // Hex line of entry i, without the line break.
  std::string Line(std::size_t i) const { return Hex_Line(Entry(i).bytes); }

  // Forgets every kept frame: the frames of a store that was emptied are no longer the log's.
  // Positions go on counting from where they stood.
  void Clear();

  // Frames ever appended, also those already dropped: lets a viewer append only what is new.
  std::uint64_t total_appended() const { return total_; }
  // Position in the whole history (0 the first frame ever appended) of entry 0.
  std::uint64_t first_position() const { return total_ - size_; }
  // Frames dropped for the log's bounds since it was last cleared.
  std::uint64_t dropped() const { return total_ - cleared_at_ - size_; }

 private:
  static constexpr std::size_t kChunkLines = 1024;
  static constexpr std::uint32_t kNoFile = ~std::uint32_t{0};
  // Where a run of lines comes from: a file (or none, for received frames) and the number the
  // run's numbers count from.
  struct Source {
    std::uint32_t file;  // index into files_, kNoFile for received frames
    std::int64_t first_number;
  };
  struct LineInfo {
    std::uint32_t end;     // end offset of the frame in the chunk's bytes
    std::uint32_t number;  // the frame's number, counted from its source's first number
    std::uint16_t source;  // entry in the chunk's sources
    std::uint16_t label;   // entry in the chunk's labels
    LineFacts facts;
  };
  // Frames come in runs under one time label and from one file, so a chunk keeps each label and
  // each source of a run once and a line holds their entries: a line costs 16 bytes. A chunk's
  // parts are allocated once: a chunk whose lines were all dropped is emptied and filled
  // again, so a log at its bound allocates nothing.
  struct Chunk {
    Chunk();
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t bytes_used = 0;
    std::size_t bytes_capacity = 0;
    std::unique_ptr<LineInfo[]> lines;
    std::size_t line_count = 0;
    std::vector<StoredLabel> labels;
    std::vector<Source> sources;
  };

  // Returns the file_frame with which the next frame of a run may continue this line: the
  // number after it for a file, 0 for received frames, -1 when nothing may.
  std::int64_t Append_Line(std::span<const std::uint8_t> frame, std::string_view label,
                           LineFacts facts, std::int64_t file_frame);
  // Counts `lines` appended lines in, and drops the oldest until both bounds hold again.
  void Count_In(std::size_t lines);
  // The chunk the next frame of `frame_bytes` bytes goes to, with room for it.
  Chunk& Make_Room(std::size_t frame_bytes);
  // A frame nearly always goes on under the label of the frame before: a new one is taken out
  // of the frames' way.
  static void Take_Label(Chunk& chunk, std::string_view label);
  void Keep_Bytes_Bound();
  // Bytes of the kept frames.
  std::size_t Kept_Bytes() const;
  // Moves the front past the oldest kept frame; the caller counts it out of size_. Counted
  // apart, the two never form one wide read of fields that were just written one by one.
  void Pass_Oldest() {
    if (++first_ >= chunks_.front()->line_count) Drop_Front();
  }
  // Drops the front chunk, all of whose lines were passed.
  void Drop_Front();

  std::deque<std::unique_ptr<Chunk>> chunks_;
  Chunk* tail_ = nullptr;         // the last chunk, which takes appended frames
  std::unique_ptr<Chunk> spare_;  // the last chunk dropped, kept for the next one needed
  std::size_t first_ = 0;         // dropped lines at the front of the first chunk
  std::size_t size_ = 0;
  std::size_t chunk_bytes_ = 0;  // bytes of the frames in the chunks, dropped ones included
  std::uint64_t total_ = 0;
  std::uint64_t cleared_at_ = 0;    // total_ when the log was last cleared
  std::vector<std::string> files_;  // every file begun since, in order
  std::int64_t received_ = 0;       // frames appended from no file since
};

}  // namespace orvelt

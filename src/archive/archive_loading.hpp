#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive.hpp"
#include "archive/network_fetch_rules.hpp"
#include "decode/telemetry_state.hpp"
#include "ingest/capture_reader.hpp"
#include "ingest/load_report.hpp"

namespace orvelt {

// What adding files to the archive did.
struct ArchiveLoad {
  LoadReport report;          // per file, as a load into the window reports it
  AddCounts counts;           // of what was committed; frames counts every frame handed over
  std::int64_t too_long = 0;  // frames over 512 bytes: not archived
  std::int64_t unreadable_lines = 0;  // lines of frame exports that are no "timestamp|hexframe"
  std::int64_t unusable_times = 0;    // lines of frame exports with a time no frame can have
  Outcome outcome;                    // done, or why the archive stopped taking frames
};

struct ArchiveLoadOptions {
  // Frames per transaction: large ones make adding fast, and a crash loses at most one.
  std::int64_t batch_frames = 100000;
  // After every chunk read (and each export line batch): counts so far and the load's progress.
  std::function<void(const AddCounts&, const LoadProgress&)> progress;
};

// Archives frames one by one as a decoder takes them, with the time of the time label in force.
// The store is kept from filling, so that nothing stops a long stream.
class ArchiveFeed {
 public:
  ArchiveFeed(Archive& archive, std::int64_t source_id, ArchiveLoad& load,
              std::int64_t batch_frames)
      : archive_(archive), source_id_(source_id), load_(load), batch_frames_(batch_frames) {}
  // Archives the frame `state` just took. Each gives the load's outcome: once the archive
  // failed, why, and later frames are not taken.
  const Outcome& Take(TelemetryState& state, std::span<const std::uint8_t> stored,
                      const TakenFrame& taken);
  // Archives a frame that carries its own time (the network's frames).
  const Outcome& Take_Timed(std::span<const std::uint8_t> bytes, std::optional<UtcSeconds> time,
                            const FrameOutcome& outcome);
  // Commits what was taken so far, and only then counts it in the load.
  const Outcome& End();
  void Set_Source(std::int64_t source_id) { source_id_ = source_id; }
  // The load's counts with what waits to be committed.
  AddCounts Counts_So_Far() const;

 private:
  Archive& archive_;
  std::int64_t source_id_;
  ArchiveLoad& load_;
  std::int64_t batch_frames_;
  std::int64_t in_batch_ = 0;
  // Counted since the last commit: a batch that is rolled back (a full disk) is not counted.
  AddCounts pending_;
  std::string label_;
  std::optional<UtcSeconds> time_;
};

// The source a capture file is archived as: its absolute path, or "standard input" for "-".
std::string Capture_Source_Name(const std::string& name);

// Adds capture files (KISS, "-" for standard input) and frame exports of the network database
// ("timestamp|hexframe" lines) to the archive, each file as a source of its own. A file that
// cannot be read is reported and skipped; a failing archive ends the adding, and what was
// committed stays.
ArchiveLoad Add_To_Archive(Archive& archive, const std::vector<std::string>& files,
                           const ArchiveLoadOptions& options = {});

// Archives the frames of one page of the network database in one transaction, each decoded at
// its own time with its observer as its source; frames that are no telemetry are kept raw.
// Fails when the archive failed, as the load's outcome then does.
Outcome Add_Network_Page(Archive& archive, const TelemetryPage& page, ArchiveLoad& load);

}  // namespace orvelt

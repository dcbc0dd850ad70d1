#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "archive/passes.hpp"
#include "archive/utc_time.hpp"
#include "base/result.hpp"
#include "decode/downlink.hpp"
#include "decode/frame_outcome.hpp"

struct sqlite3;
struct sqlite3_stmt;

namespace orvelt::sqlite {
class Database;
struct OpenOptions;
}  // namespace orvelt::sqlite

namespace orvelt {

// Where frames came from.
enum class SourceKind { Capture = 0, Live = 1, Network = 2 };
const char* Source_Kind_Text(SourceKind kind);  // "capture", "live", "network"

struct Source {
  SourceKind kind = SourceKind::Capture;
  std::string name;  // file name, live session's start and link, or the observer
};

// One frame to be archived: its bytes (byte 0 the KISS command byte), its time if a time label
// was in force, and what the decoder made of it.
struct ArchivedFrame {
  std::span<const std::uint8_t> bytes;
  std::optional<UtcSeconds> time;
  const FrameOutcome* outcome = nullptr;
};

// What adding did with frames, counted as they came.
struct AddCounts {
  std::int64_t frames = 0;         // handed over
  std::int64_t added = 0;          // new to the archive
  std::int64_t new_source = 0;     // already archived, now also from this source
  std::int64_t already = 0;        // already archived from this source: nothing to do
  std::int64_t untimed = 0;        // added without a time: counted, not charted
  std::int64_t not_telemetry = 0;  // added raw: no ORVELT-1 telemetry
  std::int64_t samples = 0;        // samples added

  AddCounts& operator+=(const AddCounts& more) {
    frames += more.frames;
    added += more.added;
    new_source += more.new_source;
    already += more.already;
    untimed += more.untimed;
    not_telemetry += more.not_telemetry;
    samples += more.samples;
    return *this;
  }
};

struct Sample {
  UtcSeconds time = 0;
  double value = 0;
};

// Samples of a channel over a stretch of time, summed up.
struct SampleSummary {
  std::int64_t count = 0;
  double min = 0;
  double max = 0;
  double mean = 0;
};

// A precomputed bucket: the samples of one channel within [start, start + width).
struct Bucket {
  UtcSeconds start = 0;
  std::int64_t count = 0;
  double min = 0;
  double max = 0;
  double sum = 0;
};

// Bucket widths kept for every channel, narrowest first.
inline constexpr std::array<UtcSeconds, 3> kBucketWidths = {60, 3600, 86400};

struct ArchiveStats {
  std::int64_t frames = 0;
  std::int64_t untimed = 0;
  std::int64_t not_telemetry = 0;
  std::int64_t samples = 0;
  std::int64_t sources = 0;
  std::int64_t file_bytes = 0;
  std::optional<UtcSeconds> first;
  std::optional<UtcSeconds> last;
};

// The mission archive: every frame ever loaded, received or fetched, kept once per content and
// second with every source it came from, and its decoded samples indexed by channel and time.
// One SQLite file in WAL mode: one program writes at a time, others may read meanwhile. A file
// made by a newer program, or one that is not an archive, is refused as it is and never
// written to.
class Archive {
 public:
  // Opens the archive, making it (and its folder) when `create` is set and there is none.
  static Result<std::unique_ptr<Archive>> Open(const std::filesystem::path& file,
                                               bool create = true);
  // Opens the archive for reading only, never writing to it: an archive on a read-only disk, or
  // one another program is adding to, can be read. An archive of an older layout is refused.
  static Result<std::unique_ptr<Archive>> Open_For_Reading(const std::filesystem::path& file);
  // A reading database alone, opened as Open_For_Reading opens the archive, for a reader that
  // runs queries of its own beside the archive's.
  static Result<std::unique_ptr<sqlite::Database>> Open_Reading_Database(
      const std::filesystem::path& file);
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  const std::filesystem::path& file() const;

  // The source's id, made when it is new.
  Result<std::int64_t> Source_Id(const Source& source);

  // Frames are added within a batch: one transaction, committed by End_Batch. A batch that is
  // not ended is rolled back when the archive closes: nothing of it is kept. A batch's samples
  // wait in memory and are packed into the archive's chunks when it ends, so that each chunk is
  // written once per batch.
  Outcome Begin_Batch();
  Outcome Add_Frame(std::int64_t source_id, const ArchivedFrame& frame, AddCounts& counts);
  Outcome End_Batch();

  // Samples of a channel with from <= time <= to, in time order, handed to `take` one by one.
  Result<std::int64_t> For_Each_Sample(int channel, UtcSeconds from, UtcSeconds to,
                                       const std::function<void(const Sample&)>& take);
  Result<std::vector<Sample>> Samples(int channel, UtcSeconds from, UtcSeconds to);
  // The frames with from <= time <= to, in time order (and in the order they were added).
  Result<std::int64_t> For_Each_Frame(
      UtcSeconds from, UtcSeconds to,
      const std::function<void(UtcSeconds, std::span<const std::uint8_t>)>& take);
  Result<SampleSummary> Summary(int channel, UtcSeconds from, UtcSeconds to);
  // Buckets of one of kBucketWidths that overlap [from, to].
  Result<std::vector<Bucket>> Buckets(int channel, UtcSeconds width, UtcSeconds from,
                                      UtcSeconds to);
  // Passes that overlap [from, to].
  Result<std::vector<PassSpan>> Passes(UtcSeconds from, UtcSeconds to);
  // The sources of the frames within [from, to], most frames first (counted per minute).
  Result<std::vector<Source>> Sources_Within(UtcSeconds from, UtcSeconds to);
  Result<ArchiveStats> Stats();

  // The newest frame time fetched from a server for a satellite, so that a fetch resumes there.
  Result<std::optional<UtcSeconds>> Fetched_Until(const std::string& server, int norad);
  Outcome Set_Fetched_Until(const std::string& server, int norad, UtcSeconds time);

 private:
  explicit Archive(std::unique_ptr<sqlite::Database> database);
  static Result<std::unique_ptr<Archive>> Open_With(const std::filesystem::path& file,
                                                    const sqlite::OpenOptions& options);
  sqlite3* db() const;
  Failure Error(int code, const std::string& doing) const;
  // Steps a statement that gives one row; its absence is a failure too.
  Outcome One_Row(sqlite3_stmt* statement, std::string_view doing);
  Outcome Flush_Aggregates();
  Outcome Flush_Samples();
  Outcome Write_Chunk(int channel, UtcSeconds start, const std::vector<std::uint8_t>& data);
  // The place of the next new frame among the frames of its second.
  Result<std::int64_t> Next_In_Second(UtcSeconds time);

  struct Aggregate {
    std::int64_t count = 0;
    double min = 0;
    double max = 0;
    double sum = 0;
  };

  std::unique_ptr<sqlite::Database> database_;
  bool in_batch_ = false;
  // Gathered during a batch and written when it ends: buckets keyed by channel, width, start;
  // minutes by their first second, with the sources seen in them.
  std::map<std::tuple<int, UtcSeconds, UtcSeconds>, Aggregate> buckets_;
  std::map<UtcSeconds, MinuteFrames> minutes_;
  std::set<std::pair<UtcSeconds, std::int64_t>> minute_sources_;
  AddCounts batch_counts_;
  // The batch's samples, packed into their chunks when it ends.
  struct PendingSample {
    int channel = 0;
    UtcSeconds time = 0;
    double value = 0;
  };
  std::vector<PendingSample> pending_samples_;
  // The second frames were last added to, and how many it holds.
  std::optional<UtcSeconds> second_;
  std::int64_t next_in_second_ = 0;
  // The bucket each channel and width was last added to: samples come in time order, so the
  // next one nearly always falls into it.
  std::array<std::array<std::pair<UtcSeconds, Aggregate*>, kBucketWidths.size()>, kChannelCount>
      last_bucket_{};
};

}  // namespace orvelt

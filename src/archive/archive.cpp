#include "archive/archive.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <bit>

#include "sqlite/connection.hpp"
#include "sqlite/versioned_database.hpp"

namespace orvelt {

namespace {

// The application id marks the file as ours ("ORAR"), so that another program's database is
// never taken for an archive.
const sqlite::DatabaseKind kArchiveKind{"archive", 0x4F524152, 2, {}};

// Plain tables, so that any SQLite reader (and a time-series database's importer) can use them:
// times are whole seconds since 1970 in UTC, values are doubles, frames are their bytes with the
// KISS command byte first.
constexpr const char* kCommonSchema = R"sql(
CREATE TABLE sources(
  id INTEGER PRIMARY KEY,
  kind INTEGER NOT NULL,
  name TEXT NOT NULL,
  UNIQUE(kind, name));
CREATE TABLE buckets(
  channel INTEGER NOT NULL,
  width INTEGER NOT NULL,
  start INTEGER NOT NULL,
  count INTEGER NOT NULL,
  min REAL NOT NULL,
  max REAL NOT NULL,
  sum REAL NOT NULL,
  PRIMARY KEY(channel, width, start)) WITHOUT ROWID;
CREATE TABLE minutes(
  minute INTEGER PRIMARY KEY,
  first INTEGER NOT NULL,
  last INTEGER NOT NULL,
  frames INTEGER NOT NULL);
CREATE TABLE minute_sources(
  minute INTEGER NOT NULL,
  source_id INTEGER NOT NULL,
  PRIMARY KEY(minute, source_id)) WITHOUT ROWID;
CREATE TABLE counts(
  name TEXT PRIMARY KEY,
  value INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE fetches(
  server TEXT NOT NULL,
  norad INTEGER NOT NULL,
  until INTEGER NOT NULL,
  PRIMARY KEY(server, norad)) WITHOUT ROWID;
)sql";

// Frames are keyed by what makes them the same frame (second and bytes), so that the key is
// also the index that finds them: `n` keeps the order in which the frames of one second came,
// `source_id` the first source, and further sources are listed beside. Samples are packed per
// channel and minute (kChunkSeconds) into one row: `data` holds kSampleBytes per sample, the
// seconds after `start` (one byte) and the value (IEEE 754 double, little-endian), in time
// order and, within a second, in the order they came. That keeps a sample near 10 bytes, a
// minute's row short enough to stay within its page, and a channel over any range one short
// walk along the key.
constexpr const char* kFrameSchema = R"sql(
CREATE TABLE frames(
  time INTEGER NOT NULL,
  bytes BLOB NOT NULL,
  n INTEGER NOT NULL,
  source_id INTEGER NOT NULL,
  PRIMARY KEY(time, bytes)) WITHOUT ROWID;
CREATE TABLE frame_sources(
  time INTEGER NOT NULL,
  bytes BLOB NOT NULL,
  source_id INTEGER NOT NULL,
  PRIMARY KEY(time, bytes, source_id)) WITHOUT ROWID;
CREATE TABLE untimed_frames(
  bytes BLOB NOT NULL PRIMARY KEY,
  source_id INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE untimed_sources(
  bytes BLOB NOT NULL,
  source_id INTEGER NOT NULL,
  PRIMARY KEY(bytes, source_id)) WITHOUT ROWID;
CREATE TABLE samples(
  channel INTEGER NOT NULL,
  start INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(channel, start)) WITHOUT ROWID;
)sql";

constexpr UtcSeconds kChunkSeconds = 60;
constexpr std::size_t kSampleBytes = 9;

// An archive of schema 1 kept one row per sample beside a numbered frame table with an index
// of its own. Bringing it up to date moves its frames and samples into the tables above within
// the one transaction that also sets the new version; the samples are packed by the program.
constexpr const char* kSetAsideFrom1 = R"sql(
ALTER TABLE frames RENAME TO frames_1;
ALTER TABLE frame_sources RENAME TO frame_sources_1;
ALTER TABLE samples RENAME TO samples_1;
)sql";
constexpr const char* kMoveFramesFrom1 = R"sql(
CREATE TEMP TABLE first_sources_1 AS
  SELECT frame_id, min(source_id) AS source_id FROM frame_sources_1 GROUP BY frame_id;
INSERT INTO frames(time, bytes, n, source_id)
  SELECT f.time, f.bytes, row_number() OVER (PARTITION BY f.time ORDER BY f.id) - 1, s.source_id
  FROM frames_1 f LEFT JOIN first_sources_1 s ON s.frame_id = f.id WHERE f.time IS NOT NULL;
INSERT INTO untimed_frames(bytes, source_id)
  SELECT f.bytes, s.source_id FROM frames_1 f LEFT JOIN first_sources_1 s ON s.frame_id = f.id
  WHERE f.time IS NULL;
INSERT INTO frame_sources(time, bytes, source_id)
  SELECT f.time, f.bytes, s.source_id FROM frame_sources_1 s JOIN frames_1 f ON f.id = s.frame_id
  JOIN first_sources_1 m ON m.frame_id = f.id
  WHERE f.time IS NOT NULL AND s.source_id <> m.source_id;
INSERT INTO untimed_sources(bytes, source_id)
  SELECT f.bytes, s.source_id FROM frame_sources_1 s JOIN frames_1 f ON f.id = s.frame_id
  JOIN first_sources_1 m ON m.frame_id = f.id
  WHERE f.time IS NULL AND s.source_id <> m.source_id;
)sql";
constexpr const char* kSamplesFrom1 =
    "SELECT channel, time, value FROM samples_1 ORDER BY channel, time, frame_id";
constexpr const char* kDropFrom1 =
    "DROP TABLE samples_1; DROP TABLE frame_sources_1; DROP TABLE frames_1; "
    "DROP TABLE first_sources_1;";

constexpr const char* kInsertSource = "INSERT OR IGNORE INTO sources(kind, name) VALUES(?1, ?2)";
constexpr const char* kFindSource = "SELECT id FROM sources WHERE kind = ?1 AND name = ?2";
constexpr const char* kInsertFrame =
    "INSERT INTO frames(time, bytes, n, source_id) VALUES(?1, ?2, ?3, ?4) ON CONFLICT DO NOTHING";
constexpr const char* kFindFrame = "SELECT source_id FROM frames WHERE time = ?1 AND bytes = ?2";
constexpr const char* kFramesInSecond = "SELECT count(*) FROM frames WHERE time = ?1";
constexpr const char* kInsertFrameSource =
    "INSERT OR IGNORE INTO frame_sources(time, bytes, source_id) VALUES(?1, ?2, ?3)";
constexpr const char* kInsertUntimed =
    "INSERT INTO untimed_frames(bytes, source_id) VALUES(?1, ?2) ON CONFLICT DO NOTHING";
constexpr const char* kFindUntimed = "SELECT source_id FROM untimed_frames WHERE bytes = ?1";
constexpr const char* kInsertUntimedSource =
    "INSERT OR IGNORE INTO untimed_sources(bytes, source_id) VALUES(?1, ?2)";
constexpr const char* kReadChunk = "SELECT data FROM samples WHERE channel = ?1 AND start = ?2";
constexpr const char* kWriteChunk =
    "INSERT INTO samples(channel, start, data) VALUES(?1, ?2, ?3) "
    "ON CONFLICT DO UPDATE SET data = excluded.data";
constexpr const char* kAddBucket =
    "INSERT INTO buckets(channel, width, start, count, min, max, sum) "
    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7) ON CONFLICT DO UPDATE SET count = count + "
    "excluded.count, min = min(min, excluded.min), max = max(max, excluded.max), "
    "sum = sum + excluded.sum";
constexpr const char* kAddMinute =
    "INSERT INTO minutes(minute, first, last, frames) VALUES(?1, ?2, ?3, ?4) "
    "ON CONFLICT DO UPDATE SET first = min(first, excluded.first), "
    "last = max(last, excluded.last), frames = frames + excluded.frames";
constexpr const char* kAddMinuteSource =
    "INSERT OR IGNORE INTO minute_sources(minute, source_id) VALUES(?1, ?2)";
constexpr const char* kAddCount =
    "INSERT INTO counts(name, value) VALUES(?1, ?2) "
    "ON CONFLICT DO UPDATE SET value = value + excluded.value";
constexpr const char* kSamples =
    "SELECT start, data FROM samples WHERE channel = ?1 AND start BETWEEN ?2 AND ?3 "
    "ORDER BY start";
constexpr const char* kFrames =
    "SELECT time, bytes FROM frames WHERE time BETWEEN ?1 AND ?2 ORDER BY time, n";
constexpr const char* kBuckets =
    "SELECT start, count, min, max, sum FROM buckets WHERE channel = ?1 AND width = ?2 AND "
    "start BETWEEN ?3 AND ?4 ORDER BY start";
constexpr const char* kMinutes =
    "SELECT first, last, frames FROM minutes WHERE minute <= ?1 ORDER BY minute";
constexpr const char* kSourcesWithin =
    "SELECT s.kind, s.name FROM minute_sources m JOIN sources s ON s.id = m.source_id "
    "WHERE m.minute BETWEEN ?1 AND ?2 GROUP BY s.id ORDER BY count(*) DESC, s.name";
constexpr const char* kCounts = "SELECT name, value FROM counts";
constexpr const char* kTimeRange = "SELECT min(first), max(last) FROM minutes";
constexpr const char* kSampleCount = "SELECT sum(count) FROM buckets WHERE width = ?1";
constexpr const char* kSourceCount = "SELECT count(*) FROM sources";
constexpr const char* kFileBytes =
    "SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()";
constexpr const char* kFetchedUntil = "SELECT until FROM fetches WHERE server = ?1 AND norad = ?2";
constexpr const char* kSetFetchedUntil =
    "INSERT INTO fetches(server, norad, until) VALUES(?1, ?2, ?3) "
    "ON CONFLICT DO UPDATE SET until = max(until, excluded.until)";

using sqlite::Bind_Text;
using sqlite::Column_Text;
using sqlite::Use;

UtcSeconds Floor_To(UtcSeconds time, UtcSeconds width) {
  const UtcSeconds q = time / width;
  return (time % width < 0 ? q - 1 : q) * width;
}

// A chunk's samples, kSampleBytes each: the seconds after the chunk's start, then the value.
void Append_Chunk_Sample(std::vector<std::uint8_t>& data, UtcSeconds offset, double value) {
  data.push_back(static_cast<std::uint8_t>(offset));
  const auto bits = std::bit_cast<std::uint64_t>(value);
  for (int k = 0; k < 8; ++k) data.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
}

UtcSeconds Chunk_Offset(const std::uint8_t* sample) {
  return UtcSeconds{sample[0]};
}

double Chunk_Value(const std::uint8_t* sample) {
  std::uint64_t bits = 0;
  for (int k = 7; k >= 0; --k) bits = (bits << 8) | sample[1 + k];
  return std::bit_cast<double>(bits);
}

// Whether a chunk read back can be walked: whole samples, each within the chunk's minute
// and none before the one it follows. Anything else is a damaged archive, never read past.
bool Is_Sound_Chunk(const std::uint8_t* data, std::size_t size) {
  if (size % kSampleBytes != 0 || (size > 0 && data == nullptr)) return false;
  UtcSeconds last = 0;
  for (std::size_t k = 0; k < size; k += kSampleBytes) {
    const UtcSeconds offset = Chunk_Offset(data + k);
    if (offset >= kChunkSeconds || offset < last) return false;
    last = offset;
  }
  return true;
}

// Writes a chunk of samples, new or in place of the one kept.
Outcome Write_Chunk_Row(sqlite::Database& d, int channel, UtcSeconds start,
                        const std::vector<std::uint8_t>& data, std::string_view doing) {
  auto statement = d.Statement(kWriteChunk, doing);
  if (!statement.ok()) return Failure{statement.why()};
  Use write(statement.value());
  sqlite3_bind_int(write.get(), 1, channel);
  sqlite3_bind_int64(write.get(), 2, start);
  sqlite3_bind_blob(write.get(), 3, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
  return d.Run(write.get(), doing);
}

// Runs within the transaction that sets the new version: a failure undoes all of it.
Outcome Move_From_Schema_1(sqlite::Database& d) {
  const char* doing = "bringing it up to date";
  for (const char* sql : {kSetAsideFrom1, kFrameSchema, kMoveFramesFrom1}) {
    if (Outcome done = d.Exec(sql, doing); !done.ok()) return done;
  }
  {
    auto statement = d.Statement(kSamplesFrom1, doing);
    if (!statement.ok()) return Failure{statement.why()};
    Use samples(statement.value());
    // Samples come in channel and time order: each chunk is written once, when the next begins.
    std::vector<std::uint8_t> data;
    int channel = -1;
    UtcSeconds start = 0;
    Result<bool> row = false;
    while ((row = d.Step(samples.get(), doing)).ok() && row.value()) {
      const int row_channel = sqlite3_column_int(samples.get(), 0);
      const UtcSeconds time = sqlite3_column_int64(samples.get(), 1);
      if (row_channel != channel || Floor_To(time, kChunkSeconds) != start) {
        if (!data.empty()) {
          if (Outcome written = Write_Chunk_Row(d, channel, start, data, doing); !written.ok()) {
            return written;
          }
        }
        data.clear();
        channel = row_channel;
        start = Floor_To(time, kChunkSeconds);
      }
      Append_Chunk_Sample(data, time - start, sqlite3_column_double(samples.get(), 2));
    }
    if (!row.ok()) return Failure{row.why()};
    if (!data.empty()) {
      if (Outcome written = Write_Chunk_Row(d, channel, start, data, doing); !written.ok()) {
        return written;
      }
    }
  }
  // The statement reading the old samples is reset by now: SQLite drops no table still being read.
  return d.Exec(kDropFrom1, doing);
}

}  // namespace

const char* Source_Kind_Text(SourceKind kind) {
  switch (kind) {
    case SourceKind::Capture:
      return "capture";
    case SourceKind::Live:
      return "live";
    case SourceKind::Network:
      return "network";
  }
  return "unknown";
}

Archive::Archive(std::unique_ptr<sqlite::Database> database) : database_(std::move(database)) {}

const std::filesystem::path& Archive::file() const {
  return database_->file();
}

sqlite3* Archive::db() const {
  return database_->db();
}

Archive::~Archive() {
  if (in_batch_) database_->connection().Exec("ROLLBACK");
}

Result<std::unique_ptr<Archive>> Archive::Open(const std::filesystem::path& file, bool create) {
  sqlite::OpenOptions options;
  options.create = create;
  return Open_With(file, options);
}

Result<std::unique_ptr<Archive>> Archive::Open_For_Reading(const std::filesystem::path& file) {
  sqlite::OpenOptions options;
  options.read_only = true;
  return Open_With(file, options);
}

Result<std::unique_ptr<sqlite::Database>> Archive::Open_Reading_Database(
    const std::filesystem::path& file) {
  sqlite::OpenOptions options;
  options.read_only = true;
  return sqlite::Open_Versioned(file, kArchiveKind, {}, options);
}

Result<std::unique_ptr<Archive>> Archive::Open_With(const std::filesystem::path& file,
                                                    const sqlite::OpenOptions& options) {
  bool upgraded = false;
  std::unique_ptr<Archive> archive;
  sqlite::LayoutSteps steps;
  steps.make = [](sqlite::Database& d) {
    const Outcome made = d.Exec(kCommonSchema, "making the tables");
    return made.ok() ? d.Exec(kFrameSchema, "making the tables") : made;
  };
  steps.upgrade = [&](sqlite::Database& d, int from) -> Outcome {
    if (from != 1) {
      return Failure{"the archive " + file.string() + " has an unknown schema " +
                     std::to_string(from)};
    }
    upgraded = true;
    return Move_From_Schema_1(d);
  };
  auto opened = sqlite::Open_Versioned(file, kArchiveKind, steps, options);
  if (!opened.ok()) return Failure{opened.why()};
  archive.reset(new Archive(std::move(opened.value())));
  if (!options.read_only) {
    sqlite::Connection& c = archive->database_->connection();
    c.Exec("PRAGMA cache_size = -65536");
    // Adding writes hundreds of megabytes: a checkpoint (and its wait for the disk) every 64 MB
    // of changes instead of every 4 MB.
    c.Exec("PRAGMA wal_autocheckpoint = 16384");
    // The old tables' pages are handed back to the disk; when that fails the archive is sound
    // and up to date all the same, only larger.
    if (upgraded) c.Exec("VACUUM");
  }
  return archive;
}

Failure Archive::Error(int code, const std::string& doing) const {
  return database_->Error(code, doing);
}

Outcome Archive::One_Row(sqlite3_stmt* statement, std::string_view doing) {
  auto row = database_->Step(statement, doing);
  if (!row.ok()) return Failure{row.why()};
  if (!row.value()) return database_->Error(SQLITE_DONE, doing);
  return Outcome::Done();
}

Result<std::int64_t> Archive::Source_Id(const Source& source) {
  {
    auto insert = database_->Statement(kInsertSource, "adding a source");
    if (!insert.ok()) return Failure{insert.why()};
    Use use(insert.value());
    sqlite3_bind_int(use.get(), 1, static_cast<int>(source.kind));
    Bind_Text(use.get(), 2, source.name);
    if (Outcome added = database_->Run(use.get(), "adding a source"); !added.ok()) {
      return Failure{added.why()};
    }
  }
  auto find = database_->Statement(kFindSource, "finding a source");
  if (!find.ok()) return Failure{find.why()};
  Use use(find.value());
  sqlite3_bind_int(use.get(), 1, static_cast<int>(source.kind));
  Bind_Text(use.get(), 2, source.name);
  if (Outcome found = One_Row(use.get(), "finding a source"); !found.ok()) {
    return Failure{found.why()};
  }
  return std::int64_t{sqlite3_column_int64(use.get(), 0)};
}

Outcome Archive::Begin_Batch() {
  if (in_batch_) return Outcome::Done();
  if (Outcome begun = database_->Exec("BEGIN IMMEDIATE", "starting to add"); !begun.ok()) {
    return begun;
  }
  in_batch_ = true;
  batch_counts_ = {};
  // Another program may have added meanwhile: the frames of a second are counted afresh.
  second_.reset();
  return Outcome::Done();
}

Result<std::int64_t> Archive::Next_In_Second(UtcSeconds time) {
  if (second_ && *second_ == time) return next_in_second_;
  const char* doing = "counting the frames of a second";
  auto statement = database_->Statement(kFramesInSecond, doing);
  if (!statement.ok()) return Failure{statement.why()};
  Use count(statement.value());
  sqlite3_bind_int64(count.get(), 1, time);
  if (Outcome counted = One_Row(count.get(), doing); !counted.ok()) return Failure{counted.why()};
  second_ = time;
  next_in_second_ = sqlite3_column_int64(count.get(), 0);
  return next_in_second_;
}

Outcome Archive::Add_Frame(std::int64_t source_id, const ArchivedFrame& frame, AddCounts& counts) {
  if (!in_batch_) {
    if (auto begun = Begin_Batch(); !begun.ok()) return begun;
  }
  const FrameOutcome& outcome = *frame.outcome;
  const int size = static_cast<int>(frame.bytes.size());
  ++counts.frames;
  const bool timed = frame.time.has_value();
  const UtcSeconds time = frame.time.value_or(0);
  // Binds the frame's key: its second (timed frames only) and its bytes.
  const auto bind_key = [&](sqlite3_stmt* statement) {
    if (timed) sqlite3_bind_int64(statement, 1, time);
    sqlite3_bind_blob(statement, timed ? 2 : 1, frame.bytes.data(), size, SQLITE_STATIC);
  };
  bool added = false;
  {
    std::int64_t n = 0;
    if (timed) {
      auto next = Next_In_Second(time);
      if (!next.ok()) return Failure{next.why()};
      n = next.value();
    }
    auto statement = database_->Statement(timed ? kInsertFrame : kInsertUntimed, "adding a frame");
    if (!statement.ok()) return Failure{statement.why()};
    Use insert(statement.value());
    bind_key(insert.get());
    if (timed) sqlite3_bind_int64(insert.get(), 3, n);
    sqlite3_bind_int64(insert.get(), timed ? 4 : 2, source_id);
    if (Outcome done = database_->Run(insert.get(), "adding a frame"); !done.ok()) return done;
    added = sqlite3_changes(db()) > 0;
  }
  if (!added) {
    std::int64_t first_source = 0;
    {
      auto statement = database_->Statement(timed ? kFindFrame : kFindUntimed, "finding a frame");
      if (!statement.ok()) return Failure{statement.why()};
      Use find(statement.value());
      bind_key(find.get());
      const auto row = database_->Step(find.get(), "finding a frame");
      if (!row.ok()) return Failure{row.why()};
      // The insert skipped the frame as one already kept: not finding it is damage.
      if (!row.value()) return Error(SQLITE_CORRUPT, "finding a frame");
      first_source = sqlite3_column_int64(find.get(), 0);
    }
    bool new_source = false;
    if (first_source != source_id) {
      auto statement = database_->Statement(timed ? kInsertFrameSource : kInsertUntimedSource,
                                            "noting a frame's source");
      if (!statement.ok()) return Failure{statement.why()};
      Use link(statement.value());
      bind_key(link.get());
      sqlite3_bind_int64(link.get(), timed ? 3 : 2, source_id);
      if (Outcome done = database_->Run(link.get(), "noting a frame's source"); !done.ok()) {
        return done;
      }
      new_source = sqlite3_changes(db()) > 0;
    }
    ++(new_source ? counts.new_source : counts.already);
    if (new_source && timed) minute_sources_.emplace(Floor_To(time, 60), source_id);
    return Outcome::Done();
  }
  ++counts.added;
  ++batch_counts_.added;
  if (outcome.kind == FrameKind::Other) {
    ++counts.not_telemetry;
    ++batch_counts_.not_telemetry;
  }
  if (!timed) {
    ++counts.untimed;
    ++batch_counts_.untimed;
    return Outcome::Done();
  }
  ++next_in_second_;
  minute_sources_.emplace(Floor_To(time, 60), source_id);
  MinuteFrames& minute = minutes_[Floor_To(time, 60)];
  if (minute.frames == 0 || time < minute.first) minute.first = time;
  if (minute.frames == 0 || time > minute.last) minute.last = time;
  ++minute.frames;
  for (int k = 0; k < outcome.value_count; ++k) {
    const ChannelValue& v = outcome.values[static_cast<std::size_t>(k)];
    pending_samples_.push_back({v.channel, time, v.value});
    ++counts.samples;
    for (std::size_t w = 0; w < kBucketWidths.size(); ++w) {
      const UtcSeconds start = Floor_To(time, kBucketWidths[w]);
      auto& [last_start, last] = last_bucket_[static_cast<std::size_t>(v.channel)][w];
      if (last == nullptr || last_start != start) {
        last = &buckets_[{v.channel, kBucketWidths[w], start}];
        last_start = start;
      }
      Aggregate& a = *last;
      if (a.count == 0 || v.value < a.min) a.min = v.value;
      if (a.count == 0 || v.value > a.max) a.max = v.value;
      a.sum += v.value;
      ++a.count;
    }
  }
  return Outcome::Done();
}

Outcome Archive::Write_Chunk(int channel, UtcSeconds start, const std::vector<std::uint8_t>& data) {
  return Write_Chunk_Row(*database_, channel, start, data, "adding samples");
}

// The batch's samples, in channel and time order, are merged into their chunks: a chunk is read
// and written once per batch, and samples already kept stay ahead of new ones of the same second.
Outcome Archive::Flush_Samples() {
  std::stable_sort(pending_samples_.begin(), pending_samples_.end(),
                   [](const PendingSample& a, const PendingSample& b) {
                     return std::tie(a.channel, a.time) < std::tie(b.channel, b.time);
                   });
  std::vector<std::uint8_t> kept;
  std::vector<std::uint8_t> data;
  for (std::size_t i = 0; i < pending_samples_.size();) {
    const int channel = pending_samples_[i].channel;
    const UtcSeconds start = Floor_To(pending_samples_[i].time, kChunkSeconds);
    kept.clear();
    {
      auto statement = database_->Statement(kReadChunk, "adding samples");
      if (!statement.ok()) return Failure{statement.why()};
      Use read(statement.value());
      sqlite3_bind_int(read.get(), 1, channel);
      sqlite3_bind_int64(read.get(), 2, start);
      const auto row = database_->Step(read.get(), "adding samples");
      if (!row.ok()) return Failure{row.why()};
      if (row.value()) {
        const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(read.get(), 0));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(read.get(), 0));
        if (!Is_Sound_Chunk(bytes, size)) return Error(SQLITE_CORRUPT, "adding samples");
        kept.assign(bytes, bytes + size);
      }
    }
    data.clear();
    std::size_t k = 0;
    for (; i < pending_samples_.size() && pending_samples_[i].channel == channel &&
           pending_samples_[i].time < start + kChunkSeconds;
         ++i) {
      const UtcSeconds offset = pending_samples_[i].time - start;
      for (; k < kept.size() && Chunk_Offset(&kept[k]) <= offset; k += kSampleBytes) {
        data.insert(data.end(), kept.begin() + static_cast<std::ptrdiff_t>(k),
                    kept.begin() + static_cast<std::ptrdiff_t>(k + kSampleBytes));
      }
      Append_Chunk_Sample(data, offset, pending_samples_[i].value);
    }
    data.insert(data.end(), kept.begin() + static_cast<std::ptrdiff_t>(k), kept.end());
    if (auto written = Write_Chunk(channel, start, data); !written.ok()) return written;
  }
  pending_samples_.clear();
  return Outcome::Done();
}

Outcome Archive::Flush_Aggregates() {
  if (auto samples = Flush_Samples(); !samples.ok()) return samples;
  for (const auto& [key, a] : buckets_) {
    auto statement = database_->Statement(kAddBucket, "adding to the buckets");
    if (!statement.ok()) return Failure{statement.why()};
    Use add(statement.value());
    sqlite3_bind_int(add.get(), 1, std::get<0>(key));
    sqlite3_bind_int64(add.get(), 2, std::get<1>(key));
    sqlite3_bind_int64(add.get(), 3, std::get<2>(key));
    sqlite3_bind_int64(add.get(), 4, a.count);
    sqlite3_bind_double(add.get(), 5, a.min);
    sqlite3_bind_double(add.get(), 6, a.max);
    sqlite3_bind_double(add.get(), 7, a.sum);
    if (Outcome added = database_->Run(add.get(), "adding to the buckets"); !added.ok())
      return added;
  }
  for (const auto& [start, m] : minutes_) {
    auto statement = database_->Statement(kAddMinute, "adding to the minutes");
    if (!statement.ok()) return Failure{statement.why()};
    Use add(statement.value());
    sqlite3_bind_int64(add.get(), 1, start);
    sqlite3_bind_int64(add.get(), 2, m.first);
    sqlite3_bind_int64(add.get(), 3, m.last);
    sqlite3_bind_int64(add.get(), 4, m.frames);
    if (Outcome added = database_->Run(add.get(), "adding to the minutes"); !added.ok())
      return added;
  }
  for (const auto& [minute, source] : minute_sources_) {
    auto statement = database_->Statement(kAddMinuteSource, "adding to the minutes");
    if (!statement.ok()) return Failure{statement.why()};
    Use add(statement.value());
    sqlite3_bind_int64(add.get(), 1, minute);
    sqlite3_bind_int64(add.get(), 2, source);
    if (Outcome added = database_->Run(add.get(), "adding to the minutes"); !added.ok())
      return added;
  }
  for (const auto& [name, value] :
       {std::pair<const char*, std::int64_t>{"frames", batch_counts_.added},
        {"untimed", batch_counts_.untimed},
        {"not_telemetry", batch_counts_.not_telemetry}}) {
    auto statement = database_->Statement(kAddCount, "adding to the counts");
    if (!statement.ok()) return Failure{statement.why()};
    Use add(statement.value());
    sqlite3_bind_text(add.get(), 1, name, -1, SQLITE_STATIC);
    sqlite3_bind_int64(add.get(), 2, value);
    if (Outcome added = database_->Run(add.get(), "adding to the counts"); !added.ok())
      return added;
  }
  return Outcome::Done();
}

Outcome Archive::End_Batch() {
  if (!in_batch_) return Outcome::Done();
  auto flushed = Flush_Aggregates();
  buckets_.clear();
  pending_samples_.clear();
  second_.reset();
  minutes_.clear();
  minute_sources_.clear();
  for (auto& widths : last_bucket_) widths.fill({0, nullptr});
  batch_counts_ = {};
  in_batch_ = false;
  // A failed commit's reason is taken before the rollback, which would clear it.
  const Outcome saved = flushed.ok() ? database_->Exec("COMMIT", "saving what was added") : flushed;
  if (!saved.ok()) database_->connection().Exec("ROLLBACK");
  return saved;
}

Result<std::int64_t> Archive::For_Each_Sample(int channel, UtcSeconds from, UtcSeconds to,
                                              const std::function<void(const Sample&)>& take) {
  const char* doing = "reading samples";
  auto statement = database_->Statement(kSamples, doing);
  if (!statement.ok()) return Failure{statement.why()};
  Use query(statement.value());
  sqlite3_bind_int(query.get(), 1, channel);
  sqlite3_bind_int64(query.get(), 2, Floor_To(from, kChunkSeconds));
  sqlite3_bind_int64(query.get(), 3, to);
  std::int64_t n = 0;
  Result<bool> row = false;
  while ((row = database_->Step(query.get(), doing)).ok() && row.value()) {
    const UtcSeconds start = sqlite3_column_int64(query.get(), 0);
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(query.get(), 1));
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(query.get(), 1));
    if (!Is_Sound_Chunk(data, size)) return Error(SQLITE_CORRUPT, doing);
    for (std::size_t k = 0; k < size; k += kSampleBytes) {
      const UtcSeconds time = start + Chunk_Offset(data + k);
      if (time < from) continue;
      if (time > to) break;
      take({time, Chunk_Value(data + k)});
      ++n;
    }
  }
  if (!row.ok()) return Failure{row.why()};
  return n;
}

Result<std::vector<Sample>> Archive::Samples(int channel, UtcSeconds from, UtcSeconds to) {
  std::vector<Sample> samples;
  auto read = For_Each_Sample(channel, from, to, [&](const Sample& s) { samples.push_back(s); });
  if (!read.ok()) return Failure{read.why()};
  return samples;
}

Result<std::int64_t> Archive::For_Each_Frame(
    UtcSeconds from, UtcSeconds to,
    const std::function<void(UtcSeconds, std::span<const std::uint8_t>)>& take) {
  const char* doing = "reading frames";
  auto statement = database_->Statement(kFrames, doing);
  if (!statement.ok()) return Failure{statement.why()};
  Use query(statement.value());
  sqlite3_bind_int64(query.get(), 1, from);
  sqlite3_bind_int64(query.get(), 2, to);
  std::int64_t n = 0;
  Result<bool> row = false;
  while ((row = database_->Step(query.get(), doing)).ok() && row.value()) {
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(query.get(), 1));
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(query.get(), 1));
    take(sqlite3_column_int64(query.get(), 0), {bytes, size});
    ++n;
  }
  if (!row.ok()) return Failure{row.why()};
  return n;
}

Result<SampleSummary> Archive::Summary(int channel, UtcSeconds from, UtcSeconds to) {
  SampleSummary s;
  double sum = 0;
  auto read = For_Each_Sample(channel, from, to, [&](const Sample& sample) {
    if (s.count == 0 || sample.value < s.min) s.min = sample.value;
    if (s.count == 0 || sample.value > s.max) s.max = sample.value;
    sum += sample.value;
    ++s.count;
  });
  if (!read.ok()) return Failure{read.why()};
  if (s.count > 0) s.mean = sum / static_cast<double>(s.count);
  return s;
}

Result<std::vector<Bucket>> Archive::Buckets(int channel, UtcSeconds width, UtcSeconds from,
                                             UtcSeconds to) {
  const char* doing = "reading buckets";
  auto statement = database_->Statement(kBuckets, doing);
  if (!statement.ok()) return Failure{statement.why()};
  Use query(statement.value());
  sqlite3_bind_int(query.get(), 1, channel);
  sqlite3_bind_int64(query.get(), 2, width);
  sqlite3_bind_int64(query.get(), 3, Floor_To(from, width));
  sqlite3_bind_int64(query.get(), 4, to);
  std::vector<Bucket> buckets;
  Result<bool> row = false;
  while ((row = database_->Step(query.get(), doing)).ok() && row.value()) {
    buckets.push_back({sqlite3_column_int64(query.get(), 0), sqlite3_column_int64(query.get(), 1),
                       sqlite3_column_double(query.get(), 2), sqlite3_column_double(query.get(), 3),
                       sqlite3_column_double(query.get(), 4)});
  }
  if (!row.ok()) return Failure{row.why()};
  return buckets;
}

Result<std::vector<PassSpan>> Archive::Passes(UtcSeconds from, UtcSeconds to) {
  const char* doing = "reading passes";
  auto statement = database_->Statement(kMinutes, doing);
  if (!statement.ok()) return Failure{statement.why()};
  Use query(statement.value());
  sqlite3_bind_int64(query.get(), 1, to);
  PassFinder finder;
  Result<bool> row = false;
  while ((row = database_->Step(query.get(), doing)).ok() && row.value()) {
    finder.Add({sqlite3_column_int64(query.get(), 0), sqlite3_column_int64(query.get(), 1),
                sqlite3_column_int64(query.get(), 2)});
  }
  if (!row.ok()) return Failure{row.why()};
  std::vector<PassSpan> passes;
  for (const PassSpan& pass : finder.passes()) {
    if (pass.end >= from && pass.start <= to) passes.push_back(pass);
  }
  return passes;
}

Result<std::vector<Source>> Archive::Sources_Within(UtcSeconds from, UtcSeconds to) {
  const char* doing = "reading sources";
  auto statement = database_->Statement(kSourcesWithin, doing);
  if (!statement.ok()) return Failure{statement.why()};
  Use query(statement.value());
  sqlite3_bind_int64(query.get(), 1, Floor_To(from, 60));
  sqlite3_bind_int64(query.get(), 2, to);
  std::vector<Source> sources;
  Result<bool> row = false;
  while ((row = database_->Step(query.get(), doing)).ok() && row.value()) {
    sources.push_back(
        {static_cast<SourceKind>(sqlite3_column_int(query.get(), 0)), Column_Text(query.get(), 1)});
  }
  if (!row.ok()) return Failure{row.why()};
  return sources;
}

Result<ArchiveStats> Archive::Stats() {
  ArchiveStats stats;
  const char* doing = "counting";
  {
    auto statement = database_->Statement(kCounts, doing);
    if (!statement.ok()) return Failure{statement.why()};
    Use query(statement.value());
    Result<bool> row = false;
    while ((row = database_->Step(query.get(), doing)).ok() && row.value()) {
      const std::string name = Column_Text(query.get(), 0);
      const std::int64_t value = sqlite3_column_int64(query.get(), 1);
      if (name == "frames") stats.frames = value;
      if (name == "untimed") stats.untimed = value;
      if (name == "not_telemetry") stats.not_telemetry = value;
    }
    if (!row.ok()) return Failure{row.why()};
  }
  {
    auto statement = database_->Statement(kTimeRange, doing);
    if (!statement.ok()) return Failure{statement.why()};
    Use query(statement.value());
    if (Outcome read = One_Row(query.get(), doing); !read.ok()) return Failure{read.why()};
    if (sqlite3_column_type(query.get(), 0) != SQLITE_NULL) {
      stats.first = sqlite3_column_int64(query.get(), 0);
      stats.last = sqlite3_column_int64(query.get(), 1);
    }
  }
  for (const auto& [sql, into] :
       {std::pair<const char*, std::int64_t*>{kSampleCount, &stats.samples},
        {kSourceCount, &stats.sources},
        {kFileBytes, &stats.file_bytes}}) {
    auto statement = database_->Statement(sql, doing);
    if (!statement.ok()) return Failure{statement.why()};
    Use query(statement.value());
    if (sql == kSampleCount) sqlite3_bind_int64(query.get(), 1, kBucketWidths.back());
    if (Outcome read = One_Row(query.get(), doing); !read.ok()) return Failure{read.why()};
    *into = sqlite3_column_int64(query.get(), 0);
  }
  return stats;
}

Result<std::optional<UtcSeconds>> Archive::Fetched_Until(const std::string& server, int norad) {
  const char* doing = "reading the last fetch";
  auto statement = database_->Statement(kFetchedUntil, doing);
  if (!statement.ok()) return Failure{statement.why()};
  Use query(statement.value());
  Bind_Text(query.get(), 1, server);
  sqlite3_bind_int(query.get(), 2, norad);
  const auto row = database_->Step(query.get(), doing);
  if (!row.ok()) return Failure{row.why()};
  if (!row.value()) return std::optional<UtcSeconds>{};
  return std::optional<UtcSeconds>{sqlite3_column_int64(query.get(), 0)};
}

Outcome Archive::Set_Fetched_Until(const std::string& server, int norad, UtcSeconds time) {
  const char* doing = "noting the last fetch";
  auto statement = database_->Statement(kSetFetchedUntil, doing);
  if (!statement.ok()) return Failure{statement.why()};
  Use query(statement.value());
  Bind_Text(query.get(), 1, server);
  sqlite3_bind_int(query.get(), 2, norad);
  sqlite3_bind_int64(query.get(), 3, time);
  return database_->Run(query.get(), doing);
}

}  // namespace orvelt

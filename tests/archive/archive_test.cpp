#include <gtest/gtest.h>

#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"
#include "archive/gathered_frames.hpp"
#include "archive/history_view.hpp"
#include "decode/frame_decoder.hpp"
#include "ingest/capture_reader.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

constexpr UtcSeconds kForever = std::int64_t{1} << 40;

void Sql(const fs::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
}

class ArchiveTest : public ::testing::Test {
 protected:
  std::unique_ptr<Archive> Open() {
    auto opened = Archive::Open(dir_ / "archive.sqlite");
    EXPECT_TRUE(opened.ok()) << (opened.ok() ? "" : opened.why());
    return opened.ok() ? std::move(opened.value()) : nullptr;
  }
  std::string Write(const std::string& name, const tools::CaptureBuilder& capture) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(capture.Write_File(path));
    return path;
  }
  testing::ScratchDir dir_;
};

// The same frame in the same second is one frame with every source it came from; the same
// capture again adds nothing; frames without a time are kept, counted and never charted.
TEST_F(ArchiveTest, StoresEachFrameOnceWithEverySource) {
  tools::CaptureBuilder morning;
  morning.Add(tools::Raw_Word_Record(0x2C, 3, 16));  // before any label: no time
  morning.Add(tools::Text_Time_Label_Frame("2026-11-28 09:14:00"));
  morning.Add(tools::Raw_Word_Record(0x2C, 3, 16));
  morning.Add(tools::Raw_Word_Record(0x2C, 3, 16));  // again in the same second: the same frame
  morning.Add(tools::Bytes{0x00, 0x55});             // another station's: kept raw
  morning.Add(tools::Text_Time_Label_Frame("2026-11-28 09:14:01"));
  morning.Add(tools::Raw_Word_Record(0x2C, 3, 16));  // a second later: a frame of its own
  tools::CaptureBuilder other_station;               // heard the same second by another station
  other_station.Add(tools::Binary_Time_Label_Frame(std::int64_t{1795857240} * 1000 + 700));
  other_station.Add(tools::Raw_Word_Record(0x2C, 3, 16));
  const std::string a = Write("a.kss", morning), b = Write("b.kss", other_station);

  auto archive = Open();
  ASSERT_TRUE(archive);
  struct Step {
    std::vector<std::string> files;
    std::int64_t added, new_source, already, untimed, samples;
  };
  for (const auto& [files, added, new_source, already, untimed, samples] :
       std::vector<Step>{{{a}, 4, 0, 1, 1, 2}, {{a}, 0, 0, 5, 0, 0}, {{b}, 0, 1, 0, 0, 0}}) {
    SCOPED_TRACE(files[0]);
    const ArchiveLoad load = Add_To_Archive(*archive, files);
    ASSERT_TRUE(load.outcome.ok()) << load.outcome.why();
    EXPECT_EQ(load.counts.added, added);
    EXPECT_EQ(load.counts.new_source, new_source);
    EXPECT_EQ(load.counts.already, already);
    EXPECT_EQ(load.counts.untimed, untimed);
    EXPECT_EQ(load.counts.samples, samples);
  }
  const ArchiveStats stats = archive->Stats().value();
  EXPECT_EQ(stats.frames, 4);
  EXPECT_EQ(stats.not_telemetry, 1);
  EXPECT_EQ(stats.sources, 2);
  const auto samples = archive->Samples(3, 0, kForever).value();
  ASSERT_EQ(samples.size(), 2u);
  EXPECT_EQ(samples[0].time, 1795857240);
  EXPECT_EQ(samples[1].time, 1795857241);
  EXPECT_EQ(samples[0].value, -0.00945 * 16 + 9.7488);
  const auto sources = archive->Sources_Within(1795857240, 1795857240).value();
  ASSERT_EQ(sources.size(), 2u);
  EXPECT_EQ(sources[0].name, fs::path(a).lexically_normal().string());
  EXPECT_EQ(sources[1].name, fs::path(b).lexically_normal().string());
}

// Long captures are archived whole, beyond the store's 5000 samples per channel; the buckets,
// passes and chart views made of them agree with the samples.
TEST_F(ArchiveTest, LongCapturesAgreeInBucketsPassesAndViews) {
  tools::PassOptions first;
  first.seconds = 5200;
  first.fill = true;
  tools::PassOptions second;
  second.seconds = 120;
  second.start = first.start + first.seconds + 600;  // after exactly ten silent minutes
  tools::PassOptions third = second;
  third.start = second.start + second.seconds - 1 + 599;  // within ten minutes: same pass
  auto archive = Open();
  ASSERT_TRUE(archive);
  ArchiveLoadOptions options;
  options.batch_frames = 1000;  // many batches: each adds to the buckets of the last
  const ArchiveLoad load = Add_To_Archive(
      *archive,
      {Write("1.kss", tools::Generate_Pass(first)), Write("2.kss", tools::Generate_Pass(second)),
       Write("3.kss", tools::Generate_Pass(third))},
      options);
  ASSERT_TRUE(load.outcome.ok()) << load.outcome.why();
  EXPECT_EQ(load.report.Files_Read(), 3);
  const auto all = archive->Samples(3, 0, kForever).value();
  ASSERT_EQ(all.size(), 5200u + 120u + 120u);
  // A bucket or chart column over [start, end) sums up exactly the samples within it.
  const auto expect_sums_up = [&](const auto& c, UtcSeconds end) {
    std::int64_t count = 0;
    double min = 1e300, max = -1e300;
    for (const Sample& s : all) {
      if (s.time >= c.start && s.time < end) {
        ++count;
        min = std::min(min, s.value);
        max = std::max(max, s.value);
      }
    }
    EXPECT_EQ(c.count, count);
    EXPECT_EQ(c.min, min);
    EXPECT_EQ(c.max, max);
    return count;
  };
  for (const UtcSeconds width : kBucketWidths) {
    SCOPED_TRACE(width);
    std::size_t count = 0;
    const auto buckets = archive->Buckets(3, width, 0, kForever).value();
    for (const Bucket& b : buckets)
      count += static_cast<std::size_t>(expect_sums_up(b, b.start + width));
    EXPECT_EQ(count, all.size());
  }
  const auto passes = archive->Passes(0, kForever).value();
  ASSERT_EQ(passes.size(), 2u);
  EXPECT_EQ(passes[0].start, first.start);
  EXPECT_EQ(passes[0].end, first.start + first.seconds - 1);
  EXPECT_EQ(passes[1].start, second.start);
  EXPECT_EQ(passes[1].end, third.start + third.seconds - 1);
  EXPECT_EQ(archive->Passes(third.start, third.start).value().size(), 1u);  // the whole pass

  // A chart reads the samples themselves when they are few, else a min/max envelope.
  struct Case {
    UtcSeconds from, to;
    int pixels;
    bool envelope;
    UtcSeconds width;
  };
  const UtcSeconds t = first.start;
  for (const auto& [from, to, pixels, envelope, width] :
       std::vector<Case>{{t, t + 599, 800, false, 0},       // part of a pass: its samples
                         {t, t + 3599, 800, true, 0},       // an hour: envelope of samples
                         {t, t + 3 * 3600, 100, true, 60},  // columns of ~2 min: minutes
                         {t - 86400 * 30, t + 86400 * 30, 500, true, 3600}}) {
    SCOPED_TRACE(to - from);
    const HistoryView view = Plan_History(*archive, 3, from, to, pixels).value();
    EXPECT_EQ(view.envelope, envelope);
    EXPECT_EQ(view.bucket_width, width);
    for (const HistoryColumn& c : view.columns) expect_sums_up(c, c.end);
    EXPECT_LE(static_cast<int>(view.columns.size()), pixels + 1);
    if (!envelope) {
      EXPECT_EQ(view.samples.size(), 600u);
    }
  }
}

// A file that is not an archive of this schema is refused with the reason and left untouched.
TEST_F(ArchiveTest, RefusesNewerForeignAndDamagedFilesWithoutWriting) {
  const fs::path newer = dir_ / "newer.sqlite", foreign = dir_ / "foreign.sqlite",
                 damaged = dir_ / "damaged.sqlite";
  ASSERT_TRUE(Archive::Open(newer).ok());
  Sql(newer, "PRAGMA user_version = 3");
  Sql(foreign, "CREATE TABLE t(x)");
  std::ofstream(damaged) << "SQLite format 3" << std::string(200, '\x01');
  struct Case {
    fs::path file;
    std::string reason;
  };
  for (const auto& [file, reason] : std::vector<Case>{
           {newer, "newer version (schema 3"}, {foreign, "not an archive"}, {damaged, "damaged"}}) {
    SCOPED_TRACE(file.string());
    const std::string before = testing::File_Content(file);
    const auto opened = Archive::Open(file);
    ASSERT_FALSE(opened.ok());
    EXPECT_NE(opened.why().find(reason), std::string::npos) << opened.why();
    EXPECT_EQ(testing::File_Content(file), before);
    EXPECT_FALSE(fs::exists(file.string() + "-wal"));
  }
}

// The layout of schema 1: a row per sample, numbered frames with an index of their own.
constexpr const char* kSchema1 = R"sql(
PRAGMA journal_mode = WAL;
PRAGMA application_id = 1330790738;
PRAGMA user_version = 1;
CREATE TABLE sources(id INTEGER PRIMARY KEY, kind INTEGER NOT NULL, name TEXT NOT NULL,
  UNIQUE(kind, name));
CREATE TABLE frames(id INTEGER PRIMARY KEY, time INTEGER, kind INTEGER NOT NULL,
  bytes BLOB NOT NULL);
CREATE UNIQUE INDEX frames_by_time ON frames(time, bytes);
CREATE TABLE frame_sources(frame_id INTEGER NOT NULL, source_id INTEGER NOT NULL,
  PRIMARY KEY(frame_id, source_id)) WITHOUT ROWID;
CREATE TABLE samples(channel INTEGER NOT NULL, time INTEGER NOT NULL, frame_id INTEGER NOT NULL,
  value REAL NOT NULL, PRIMARY KEY(channel, time, frame_id)) WITHOUT ROWID;
CREATE TABLE buckets(channel INTEGER NOT NULL, width INTEGER NOT NULL, start INTEGER NOT NULL,
  count INTEGER NOT NULL, min REAL NOT NULL, max REAL NOT NULL, sum REAL NOT NULL,
  PRIMARY KEY(channel, width, start)) WITHOUT ROWID;
CREATE TABLE minutes(minute INTEGER PRIMARY KEY, first INTEGER NOT NULL, last INTEGER NOT NULL,
  frames INTEGER NOT NULL);
CREATE TABLE minute_sources(minute INTEGER NOT NULL, source_id INTEGER NOT NULL,
  PRIMARY KEY(minute, source_id)) WITHOUT ROWID;
CREATE TABLE counts(name TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE fetches(server TEXT NOT NULL, norad INTEGER NOT NULL, until INTEGER NOT NULL,
  PRIMARY KEY(server, norad)) WITHOUT ROWID;
INSERT INTO sources VALUES(1, 0, '/a.kss'), (2, 2, 'DL1AB JO62');
INSERT INTO frames VALUES(1, 1795857240, 3, x'0011'), (2, 1795857240, 3, x'0002'),
  (3, NULL, 0, x'0033'), (4, 1795857900, 3, x'0044');
INSERT INTO frame_sources VALUES(1, 1), (1, 2), (2, 1), (3, 1), (3, 2), (4, 2);
INSERT INTO samples VALUES(3, 1795857240, 2, 7.5), (3, 1795857240, 1, 7.25),
  (3, 1795857900, 4, 7.75), (8, 1795857240, 1, 1.5);
INSERT INTO counts VALUES('frames', 4), ('untimed', 1), ('not_telemetry', 1);
)sql";

// An archive of schema 1 is brought up to date on opening, in one transaction: every frame,
// source and sample is kept, in the order it was added. When that cannot be done the archive
// is left exactly as it was.
TEST_F(ArchiveTest, BringsSchema1UpToDateOrLeavesIt) {
  const fs::path old = dir_ / "old.sqlite", broken = dir_ / "broken.sqlite";
  Sql(old, kSchema1);
  Sql(broken, std::string(kSchema1) + "INSERT INTO frames VALUES(5, 1795857300, 3, x'0055');");
  auto opened = Archive::Open(old, false);
  ASSERT_TRUE(opened.ok()) << opened.why();
  Archive& archive = *opened.value();
  const auto samples = archive.Samples(3, 0, kForever).value();
  ASSERT_EQ(samples.size(), 3u);
  EXPECT_EQ(samples[0].value, 7.25);  // frame 1 came before frame 2 in the same second
  EXPECT_EQ(samples[1].value, 7.5);
  EXPECT_EQ(samples[2].time, 1795857900);
  EXPECT_EQ(archive.Samples(8, 0, kForever).value().size(), 1u);
  EXPECT_EQ(archive.Stats().value().frames, 4);

  // Every frame keeps every source it had: again from any of them adds nothing.
  struct Again {
    std::vector<std::uint8_t> bytes;
    std::optional<UtcSeconds> time;
    std::int64_t source;
    bool new_source;
  };
  const FrameOutcome outcome;
  for (const auto& [bytes, time, source, new_source] :
       std::vector<Again>{{{0x00, 0x11}, 1795857240, 1, false},
                          {{0x00, 0x33}, std::nullopt, 2, false},
                          {{0x00, 0x44}, 1795857900, 1, true}}) {
    AddCounts counts;
    ASSERT_TRUE(archive.Add_Frame(source, {bytes, time, &outcome}, counts).ok());
    EXPECT_EQ(counts.added, 0);
    EXPECT_EQ(counts.new_source, new_source ? 1 : 0);
  }
  ASSERT_TRUE(archive.End_Batch().ok());
  opened = Result<std::unique_ptr<Archive>>::Failed("closed");

  // A frame without a source cannot be moved: the whole move is undone.
  const std::string before = testing::File_Content(broken);
  const auto refused = Archive::Open(broken, false);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.why().find("left as it was, at schema 1"), std::string::npos) << refused.why();
  EXPECT_EQ(testing::File_Content(broken), before);
}

// A load into the window archives what its store took; the frames the full store turned away
// are left out, so that adding the whole capture later, as the same source, gives their samples.
TEST_F(ArchiveTest, ALoadLeavesOutWhatTheFullStoreTurnedAway) {
  tools::PassOptions pass;
  pass.seconds = 5100;
  pass.fill = true;  // every channel once a second: the store fills within the capture
  const std::string file = Write("full.kss", tools::Generate_Pass(pass));
  TelemetryState state;
  GatheredFrames frames;
  LoadOptions options;
  options.observers.push_back([&](const FrameEvent& e) { frames.Take(state, e); });
  Load_Files(state, {file}, options);
  auto archive = Open();
  ASSERT_TRUE(archive);
  const ArchiveLoad load = frames.Add_To(*archive);
  ASSERT_TRUE(load.outcome.ok()) << load.outcome.why();
  EXPECT_EQ(archive->Samples(3, 0, std::int64_t{1} << 40).value().size(), 5000u);
  const ArchiveLoad whole = Add_To_Archive(*archive, {file});
  ASSERT_TRUE(whole.outcome.ok()) << whole.outcome.why();
  EXPECT_EQ(whole.counts.new_source, 0);  // the same source as the load's
  auto alone = Archive::Open(dir_ / "alone.sqlite");
  ASSERT_TRUE(alone.ok());
  const ArchiveLoad all = Add_To_Archive(*alone.value(), {file});
  EXPECT_EQ(archive->Stats().value().samples, all.counts.samples);
}

// Programs that open one new archive, or one of the first layout, at the same moment each find
// it made, or brought up to date, exactly once.
TEST_F(ArchiveTest, ProgramsOpeningOneArchiveAtOnceEachGetIt) {
  for (const auto& [sql, frames] : {std::pair<const char*, std::int64_t>{"", 0}, {kSchema1, 4}}) {
    for (int round = 0; round < 4; ++round) {
      const fs::path file = dir_ / (std::to_string(frames) + "_" + std::to_string(round));
      Sql(file, sql);
      std::vector<std::string> failures(4);
      std::vector<std::thread> programs;
      for (std::size_t k = 0; k < failures.size(); ++k) {
        programs.emplace_back([&, k] {
          auto opened = Archive::Open(file);
          const auto stats = opened.ok() ? opened.value()->Stats() : Failure{opened.why()};
          failures[k] = !stats.ok() ? stats.why() : std::to_string(stats.value().frames);
        });
      }
      for (auto& program : programs) program.join();
      for (const std::string& failure : failures) EXPECT_EQ(failure, std::to_string(frames));
    }
  }
}

// Runs `child` in a process of its own; gives what it said.
std::string Run_Apart(const std::function<std::string()>& child) {
  int ends[2];
  if (pipe(ends) != 0) return "no pipe";
  if (fork() == 0) {
    const std::string said = child();
    _exit(write(ends[1], said.data(), said.size()) < 0 ? 1 : 0);
  }
  close(ends[1]);
  std::string said;
  char buffer[512];
  for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;) {
    said.append(buffer, static_cast<std::size_t>(got));
  }
  close(ends[0]);
  wait(nullptr);
  return said;
}

// An archive that cannot be written (on a read-only disk, or another user's) is read all the
// same: reading never writes, nor makes the files SQLite keeps beside a database it writes.
TEST_F(ArchiveTest, ReadsAnArchiveThatCannotBeWritten) {
  tools::PassOptions pass;
  pass.seconds = 120;
  auto archive = Open();
  ASSERT_TRUE(Add_To_Archive(*archive, {Write("p.kss", tools::Generate_Pass(pass))}).outcome.ok());
  const std::string expected = std::to_string(archive->Stats().value().frames) + " frames";
  archive.reset();
  fs::remove(dir_ / "p.kss");
  const fs::path file = dir_ / "archive.sqlite";
  const auto read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(file, read_only);
  fs::permissions(dir_.path(), read_only | fs::perms::owner_exec | fs::perms::group_exec |
                                   fs::perms::others_exec);
  const std::string said = Run_Apart([&] {
    // Root writes whatever the modes say: the archive is read as another user then.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return std::string("root");
    if (Archive::Open(file, false).ok()) return std::string("written to");
    auto opened = Archive::Open_For_Reading(file);
    if (!opened.ok()) return opened.why();
    const auto stats = opened.value()->Stats();
    return stats.ok() ? std::to_string(stats.value().frames) + " frames" : stats.why();
  });
  fs::permissions(dir_.path(), fs::perms::owner_all);
  EXPECT_EQ(said, expected);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), {}), 1);
}

// Damage that a read meets is said to be damage, never answered as fewer frames or samples.
TEST_F(ArchiveTest, DamageMetByAReadIsSaid) {
  tools::PassOptions pass;
  const std::string capture = Write("pass.kss", tools::Generate_Pass(pass));
  {
    auto archive = Open();
    ASSERT_TRUE(archive);
    ASSERT_TRUE(Add_To_Archive(*archive, {capture}).outcome.ok());
  }
  // Every page from the samples' table on (the tables are made in order, one root page each,
  // after the first page that lists them).
  const fs::path file = dir_ / "archive.sqlite";
  const auto size = fs::file_size(file);
  {
    std::fstream damaged(file, std::ios::in | std::ios::out | std::ios::binary);
    damaged.seekp(12 * 4096);
    damaged << std::string(size - 12 * 4096, '\xFF');
  }
  auto archive = Open();
  ASSERT_TRUE(archive);
  const auto why = [](const auto& result) { return result.ok() ? std::string() : result.why(); };
  for (const std::string& said : {why(archive->For_Each_Frame(0, kForever, [](auto, auto) {})),
                                  why(archive->Samples(3, 0, kForever)), why(archive->Stats()),
                                  Add_To_Archive(*archive, {capture}).outcome.why()}) {
    EXPECT_NE(said.find("is damaged: "), std::string::npos) << said;
  }
}

// When the disk fills while adding, what was committed before stays and is what is counted.
TEST_F(ArchiveTest, AFullDiskCountsOnlyWhatWasKept) {
  tools::PassOptions pass;
  pass.seconds = 3000;
  const std::string capture = Write("pass.kss", tools::Generate_Pass(pass));
  ASSERT_TRUE(Open());  // made, so that only adding writes
  const std::string said = Run_Apart([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1 << 20, 1 << 20};  // the log of changes may grow to 1 MB
    auto archive = Archive::Open(dir_ / "archive.sqlite");
    if (!archive.ok() || setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("no limit");
    ArchiveLoadOptions options;
    options.batch_frames = 500;
    const ArchiveLoad load = Add_To_Archive(*archive.value(), {capture}, options);
    return std::to_string(load.counts.added) + " " + std::to_string(load.counts.samples) +
           (load.outcome.ok() ? " without a full disk" : "");
  });
  const ArchiveStats stats = Open()->Stats().value();
  EXPECT_GT(stats.frames, 0);
  EXPECT_EQ(said, std::to_string(stats.frames) + " " + std::to_string(stats.samples));
}

// A frame export is read as one with or without a byte order mark; lines with a time no frame
// can have (before 1957, after tomorrow) are counted apart and not archived.
TEST_F(ArchiveTest, AFrameExportIsReadWithItsTimesChecked) {
  const std::string hex = "C0804D97022C0300DE00";  // a battery record: channel 3 is 7.6509 V
  struct Case {
    std::string name, head;
  };
  for (const auto& [name, head] :
       std::vector<Case>{{"plain", ""}, {"byte order mark", "\xEF\xBB\xBF"}}) {
    SCOPED_TRACE(name);
    const fs::path file = dir_ / (name + ".txt");
    std::ofstream(file) << head << "1957-01-01 00:00:00|" << hex << "\r\n"
                        << "1956-12-31 23:59:59|" << hex << "\n0000-01-01|" << hex
                        << "\n9999-12-31|" << hex << '\n'
                        << Format_Utc_Time(Utc_Now() + 86400) << '|' << hex << '\n'
                        << Format_Utc_Time(Utc_Now() + 86500) << '|' << hex << '\n';
    auto archive = Archive::Open(dir_ / (name + ".sqlite"));
    ASSERT_TRUE(archive.ok());
    const ArchiveLoad load = Add_To_Archive(*archive.value(), {file.string()});
    ASSERT_TRUE(load.outcome.ok()) << load.outcome.why();
    EXPECT_EQ(load.counts.added, 2);
    EXPECT_EQ(load.unusable_times, 4);
    EXPECT_EQ(load.unreadable_lines, 0);
    const auto samples = archive.value()->Samples(3, -kForever, kForever).value();
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0].time, -410227200);
  }
}

// Two files loaded into the window as one selection: the window carries B's last time label on
// into T, the archive does not. T's frames before its first label are archived without a time,
// as adding the two files does, and never under B's pass.
TEST_F(ArchiveTest, ALoadArchivesAFilesFramesBeforeItsFirstLabelWithoutATime) {
  const std::string b = Write("b.kss", tools::Generate_Pass({.seconds = 3, .seed = 7}));
  tools::CaptureBuilder t;
  for (std::int16_t raw : {100, 200}) t.Add(tools::Raw_Word_Record(0x2C, 3, raw));
  t.Add_Raw(tools::Generate_Pass({.seconds = 2, .seed = 8}).bytes());
  const std::string t_file = Write("t.kss", t);
  TelemetryState state;
  GatheredFrames frames;
  LoadOptions options;
  options.observers.push_back([&](const FrameEvent& e) { frames.Take(state, e); });
  Load_Files(state, {b, t_file}, options);
  EXPECT_FALSE(state.store.Label(3, 4).empty());  // the window: B's label goes on into T

  auto archive = Open();
  ASSERT_TRUE(archive);
  const ArchiveLoad through_window = frames.Add_To(*archive);
  ASSERT_TRUE(through_window.outcome.ok()) << through_window.outcome.why();
  auto alone = Archive::Open(dir_ / "alone.sqlite");
  ASSERT_TRUE(alone.ok());
  const ArchiveLoad added = Add_To_Archive(*alone.value(), {b, t_file});
  EXPECT_EQ(added.counts.untimed, 2);
  EXPECT_EQ(through_window.counts.untimed, added.counts.untimed);
  EXPECT_EQ(through_window.counts.samples, added.counts.samples);
}

}  // namespace
}  // namespace orvelt

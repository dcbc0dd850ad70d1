#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "archive/archive_fixture.hpp"
#include "archive/gathered_frames.hpp"
#include "archive/history_view.hpp"
#include "decode/frame_decoder.hpp"
#include "ingest/capture_reader.hpp"
#include "sqlite/run_sql.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveTest;
using testing::kForever;

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
  struct Step {
    std::vector<std::string> files;
    std::int64_t added, new_source, already, untimed, samples;
  };
  for (const auto& [files, added, new_source, already, untimed, samples] :
       std::vector<Step>{{{a}, 4, 0, 1, 1, 2}, {{a}, 0, 0, 5, 0, 0}, {{b}, 0, 1, 0, 0, 0}}) {
    SCOPED_TRACE(files[0]);
    const ArchiveLoad load = Add_To_Archive(*archive, files);
    ASSERT_TRUE(load.outcome.ok()) << load.outcome.why();
    const AddCounts& n = load.counts;
    EXPECT_EQ(std::tuple(n.added, n.new_source, n.already, n.untimed, n.samples),
              std::tuple(added, new_source, already, untimed, samples));
  }
  const ArchiveStats stats = archive->Stats().value();
  EXPECT_EQ(std::tuple(stats.frames, stats.not_telemetry, stats.sources), std::tuple(4, 1, 2));
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
  const tools::PassOptions first{.seconds = 5200, .fill = true};
  // After exactly ten silent minutes; then within ten minutes: the same pass.
  const tools::PassOptions second{.start = first.start + first.seconds + 600, .seconds = 120};
  const tools::PassOptions third{.start = second.start + second.seconds - 1 + 599, .seconds = 120};
  auto archive = Open();
  ArchiveLoadOptions options;
  options.batch_frames = 1000;  // many batches: each adds to the buckets of the last
  const ArchiveLoad load = Add_To_Archive(
      *archive,
      {Write("1.kss", tools::Generate_Pass(first)), Write("2.kss", tools::Generate_Pass(second)),
       Write("3.kss", tools::Generate_Pass(third))},
      options);
  ASSERT_TRUE(load.outcome.ok()) << load.outcome.why();
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

// An archive of schema 1 is brought up to date on opening: every frame, source and sample is
// kept, in the order it was added.
TEST_F(ArchiveTest, BringsSchema1UpToDate) {
  testing::Run_Sql(dir_ / "old.sqlite", kSchema1);
  const auto archive = Open(dir_ / "old.sqlite");
  const auto samples = archive->Samples(3, 0, kForever).value();
  ASSERT_EQ(samples.size(), 3u);
  EXPECT_EQ(samples[0].value, 7.25);  // frame 1 came before frame 2 in the same second
  EXPECT_EQ(samples[1].value, 7.5);
  EXPECT_EQ(samples[2].time, 1795857900);
  EXPECT_EQ(archive->Samples(8, 0, kForever).value().size(), 1u);
  EXPECT_EQ(archive->Stats().value().frames, 4);

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
    AddCounts n;
    ASSERT_TRUE(archive->Add_Frame(source, {bytes, time, &outcome}, n).ok());
    EXPECT_EQ(std::tuple(n.added, n.new_source), std::tuple(0, new_source ? 1 : 0));
  }
  EXPECT_TRUE(archive->End_Batch().ok());
}

// Damage that a read meets is said to be damage, never answered as fewer frames or samples.
TEST_F(ArchiveTest, DamageMetByAReadIsSaid) {
  const std::string capture = Write("pass.kss", tools::Generate_Pass({}));
  ASSERT_TRUE(Add_To_Archive(*Open(), {capture}).outcome.ok());
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
  const auto why = [](const auto& result) { return result.ok() ? std::string() : result.why(); };
  for (const std::string& said : {why(archive->For_Each_Frame(0, kForever, [](auto, auto) {})),
                                  why(archive->Samples(3, 0, kForever)), why(archive->Stats()),
                                  Add_To_Archive(*archive, {capture}).outcome.why()}) {
    EXPECT_NE(said.find("is damaged: "), std::string::npos) << said;
  }
}

// When the disk fills while adding, what was committed before stays and is what is counted. A
// file size limit makes writing fail as a full disk does.
TEST_F(ArchiveTest, AFullDiskCountsOnlyWhatWasKept) {
  const std::string capture = Write("pass.kss", tools::Generate_Pass({.seconds = 3000}));
  auto archive = Open();  // made, so that only adding writes
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{1 << 20, saved.rlim_max};  // the log of changes may grow to 1 MB
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  ArchiveLoadOptions options;
  options.batch_frames = 500;
  const ArchiveLoad load = Add_To_Archive(*archive, {capture}, options);
  setrlimit(RLIMIT_FSIZE, &saved);
  archive.reset();
  EXPECT_FALSE(load.outcome.ok());
  const ArchiveStats stats = Open()->Stats().value();
  EXPECT_GT(stats.frames, 0);
  EXPECT_EQ(load.counts.added, stats.frames);
  EXPECT_EQ(load.counts.samples, stats.samples);
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
    auto archive = Open(dir_ / (name + ".sqlite"));
    const ArchiveLoad load = Add_To_Archive(*archive, {file.string()});
    ASSERT_TRUE(load.outcome.ok()) << load.outcome.why();
    EXPECT_EQ(std::tuple(load.counts.added, load.unusable_times, load.unreadable_lines),
              std::tuple(2, 4, 0));
    const auto samples = archive->Samples(3, -kForever, kForever).value();
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0].time, -410227200);
  }
}

// A load into the window archives what its store took, and adding the files later, as the same
// sources, gives what its full store turned away. A file's frames before its first label are
// archived without a time, as adding the files does, though the window carries the label of the
// file before on into them.
TEST_F(ArchiveTest, ALoadArchivesWhatItsStoreTook) {
  const std::string full = Write("full.kss", tools::Generate_Pass({.seconds = 5100, .fill = true}));
  const std::string b = Write("b.kss", tools::Generate_Pass({.seconds = 3, .seed = 7}));
  tools::CaptureBuilder t;
  for (std::int16_t raw : {100, 200}) t.Add(tools::Raw_Word_Record(0x2C, 3, raw));
  t.Add_Raw(tools::Generate_Pass({.seconds = 2, .seed = 8}).bytes());
  const std::string t_file = Write("t.kss", t);
  const struct {
    std::vector<std::string> files;
    std::int64_t untimed;
    bool store_full;
  } loads[] = {{{full}, 0, true}, {{b, t_file}, 2, false}};
  for (const auto& [files, untimed, store_full] : loads) {
    SCOPED_TRACE(files.size());
    TelemetryState state;
    GatheredFrames frames;
    LoadOptions options;
    options.observers.push_back([&](const FrameEvent& e) { frames.Take(state, e); });
    Load_Files(state, files, options);
    EXPECT_TRUE(untimed == 0 || !state.store.Label(3, 4).empty());  // B's label goes on in T
    const std::string name = std::to_string(files.size());
    auto window = Open(dir_ / (name + "w")), alone = Open(dir_ / (name + "a"));
    const ArchiveLoad through_window = frames.Add_To(*window);
    ASSERT_TRUE(through_window.outcome.ok()) << through_window.outcome.why();
    const ArchiveLoad added = Add_To_Archive(*alone, files);
    EXPECT_EQ(through_window.counts.untimed, untimed);
    EXPECT_EQ(added.counts.untimed, untimed);
    EXPECT_EQ(through_window.counts.samples < added.counts.samples, store_full);
    EXPECT_EQ(Add_To_Archive(*window, files).counts.new_source, 0);
    EXPECT_EQ(window->Stats().value().samples, alone->Stats().value().samples);
  }
}

}  // namespace
}  // namespace orvelt

#include "forward/outbox.hpp"

#include "sqlite/run_sql.hpp"
#include "support/scratch_dir.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <tuple>

namespace orvelt {
namespace {

using testing::ScratchDir;

const std::string kA = "https://a.example/";
const std::string kB = "https://b.example/";
const std::vector<std::uint8_t> kFrame = {0x00, 0x01, 0x02, 0xC0};

std::unique_ptr<Outbox> Open_Ok(const std::filesystem::path& file, std::int64_t max_bytes = 0) {
  auto opened = Outbox::Open(file, max_bytes);
  EXPECT_TRUE(opened.ok()) << opened.why();
  return opened.ok() ? std::move(opened.value()) : nullptr;
}

std::vector<OutboxItem> Due(Outbox& outbox, const std::string& server, std::int64_t now = 0) {
  return outbox.Next_Due(server, now, 10).value();
}

// Sent, waiting and rejected.
std::tuple<int, int, int> Tally(Outbox& outbox, const std::string& server) {
  const ServerCounts c = outbox.Counts_For(server).value();
  return {static_cast<int>(c.sent), static_cast<int>(c.waiting), static_cast<int>(c.rejected)};
}

// The default file system of SQLite, with every sync of a file counted.
struct CountedSyncs {
  static inline int syncs = 0;
  static inline sqlite3_vfs* real = nullptr;
  static inline sqlite3_vfs vfs{};
  static inline sqlite3_io_methods methods{};
  static inline int (*real_sync)(sqlite3_file*, int) = nullptr;

  CountedSyncs() {
    real = sqlite3_vfs_find(nullptr);
    vfs = *real;
    vfs.zName = "counted-syncs";
    vfs.xOpen = [](sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out) {
      const int rc = real->xOpen(real, name, file, flags, out);
      if (rc == SQLITE_OK && file->pMethods != nullptr) {
        methods = *file->pMethods;
        real_sync = file->pMethods->xSync;
        methods.xSync = [](sqlite3_file* f, int how) {
          ++syncs;
          return real_sync(f, how);
        };
        file->pMethods = &methods;
      }
      return rc;
    };
    sqlite3_vfs_register(&vfs, 1);
  }
  ~CountedSyncs() {
    sqlite3_vfs_register(real, 1);
    sqlite3_vfs_unregister(&vfs);
  }
};

// Queued frames reach the disk itself, past a power cut, when the outbox is written to disk.
TEST(Outbox, WritingToDiskSyncsTheFile) {
  ScratchDir dir;
  CountedSyncs counted;
  auto outbox = Open_Ok(dir / "outbox.sqlite");
  ASSERT_TRUE(outbox->Enqueue(kFrame, 1, {kA}).ok());
  const int before = CountedSyncs::syncs;
  ASSERT_TRUE(outbox->Write_To_Disk().ok());
  EXPECT_GT(CountedSyncs::syncs, before);
}

TEST(Outbox, KeepsEverythingAcrossARestart) {
  ScratchDir dir;
  {
    auto outbox = Open_Ok(dir / "outbox.sqlite");
    // A server listed twice gets the frame once.
    const std::int64_t id = outbox->Enqueue(kFrame, 1000, {kA, kB, kA}).value();
    ASSERT_TRUE(outbox->Mark_Sent(id, kA).ok());
    ASSERT_TRUE(outbox->Mark_Retry(id, kB, 5000, "connection refused").ok());
  }
  auto outbox = Open_Ok(dir / "outbox.sqlite");
  EXPECT_TRUE(Due(*outbox, kA).empty());
  EXPECT_TRUE(Due(*outbox, kB, 4999).empty());
  const auto due = Due(*outbox, kB, 5000);
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].attempts, 1);
  EXPECT_EQ(due[0].bytes, kFrame);
}

// A server no longer in the settings with frames still to deliver, rejected ones too, is named:
// they would wait unseen forever.
TEST(Outbox, FramesOfRemovedServersAreNamed) {
  const std::vector<ServerCounts> counts = {{kA, 5, 0, 0}, {kB, 0, 0, 1}, {"c", 0, 2, 0}};
  const auto removed = Frames_For_Removed_Servers(counts, {"d"});
  ASSERT_EQ(removed.size(), 2u);
  EXPECT_EQ(removed[0].server + removed[1].server, kB + "c");
  EXPECT_TRUE(Frames_For_Removed_Servers(counts, {kA, kB, "c"}).empty());
}

TEST(Outbox, OneProgramAtATime) {
  ScratchDir dir;
  auto first = Open_Ok(dir / "outbox.sqlite");
  const auto second = Outbox::Open(dir / "outbox.sqlite");
  EXPECT_EQ(second.why().rfind(kOutboxInUse, 0), 0u) << second.why();
  // The holder goes on undisturbed, and once it closes the file is free.
  EXPECT_TRUE(first->Enqueue(kFrame, 2, {kA}).ok());
  first.reset();
  EXPECT_EQ(Tally(*Open_Ok(dir / "outbox.sqlite"), kA), std::tuple(0, 1, 0));
}

TEST(Outbox, SentOrDiscardedFramesLeaveAndOnlyTheSentCountStays) {
  ScratchDir dir;
  auto outbox = Open_Ok(dir / "outbox.sqlite");
  std::vector<std::int64_t> ids;
  for (std::uint8_t tag = 0; tag < 5; ++tag) {
    ids.push_back(outbox->Enqueue(std::vector<std::uint8_t>{0x00, tag}, tag, {kA, kB}).value());
  }
  EXPECT_EQ(outbox->Next_Due(kA, 0, 3).value().at(2).frame_id, ids[2]);
  for (const std::int64_t id : ids) ASSERT_TRUE(outbox->Mark_Sent(id, kA).ok());
  ASSERT_TRUE(outbox->Mark_Sent(ids[0], kA).ok());  // confirmed twice: counted once
  ASSERT_TRUE(outbox->Mark_Sent(ids[0], kB).ok());
  EXPECT_EQ(Tally(*outbox, kA), std::tuple(5, 0, 0));
  EXPECT_EQ(Tally(*outbox, kB), std::tuple(1, 4, 0));
  outbox.reset();
  // What is left on the disk is only what still has to go.
  EXPECT_EQ(testing::Run_Sql(dir / "outbox.sqlite", "SELECT COUNT(*) FROM frames"), "4");
  // The user may discard what still waits, never what was sent; a server taken out of the
  // settings takes what it still had to get with it.
  outbox = Open_Ok(dir / "outbox.sqlite");
  EXPECT_EQ(outbox->Discard(ids[0], kB).value(), 0);
  ASSERT_TRUE(outbox->Mark_Rejected(ids[1], kB, "HTTP 400").ok());
  ASSERT_TRUE(outbox->Mark_Sent(ids[1], kB).ok());  // a late answer: the rejection stands
  EXPECT_EQ(outbox->Discard(ids[1], kB).value(), 1);
  EXPECT_EQ(outbox->Discard_Server(kB).value(), 3);
  EXPECT_EQ(Tally(*outbox, kB), std::tuple(1, 0, 0));
}

TEST(Outbox, AnOutboxOfTheFirstLayoutKeepsItsCountsAndFrames) {
  ScratchDir dir;
  testing::Run_Sql(dir / "outbox.sqlite", R"sql(
    PRAGMA application_id = 1330792023; PRAGMA user_version = 1;
    CREATE TABLE frames(id INTEGER PRIMARY KEY, received_ms INTEGER NOT NULL, bytes BLOB NOT NULL);
    CREATE TABLE deliveries(server TEXT NOT NULL, frame_id INTEGER NOT NULL REFERENCES frames(id),
      state INTEGER NOT NULL DEFAULT 0, attempts INTEGER NOT NULL DEFAULT 0,
      next_attempt_ms INTEGER NOT NULL DEFAULT 0, answer TEXT NOT NULL DEFAULT '',
      PRIMARY KEY(server, frame_id)) WITHOUT ROWID;
    CREATE INDEX deliveries_by_state ON deliveries(server, state, frame_id);
    INSERT INTO frames VALUES (1, 10, x'0001'), (2, 20, x'0002'), (3, 30, x'0003');
    INSERT INTO deliveries(server, frame_id, state) VALUES
      ('https://a.example/', 1, 1), ('https://a.example/', 2, 1), ('https://a.example/', 3, 0),
      ('https://b.example/', 2, 2);
  )sql");
  auto outbox = Open_Ok(dir / "outbox.sqlite");
  EXPECT_EQ(Tally(*outbox, kA), std::tuple(2, 1, 0));
  EXPECT_EQ(Tally(*outbox, kB), std::tuple(0, 0, 1));
  EXPECT_EQ(Due(*outbox, kA).at(0).bytes, (std::vector<std::uint8_t>{0x00, 0x03}));
  EXPECT_EQ(outbox->Rejected_Frames().value().at(0).received_ms, 20);
}

}  // namespace
}  // namespace orvelt

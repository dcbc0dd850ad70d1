#include "forward/outbox.hpp"

#include "support/scratch_dir.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <tuple>

namespace orvelt {
namespace {

using testing::ScratchDir;

const std::string kA = "https://a.example/";
const std::string kB = "https://b.example/";
const std::vector<std::uint8_t> kFrame = {0x00, 0x01, 0x02, 0xC0};

std::unique_ptr<Outbox> Open_Ok(const std::filesystem::path& file) {
  auto opened = Outbox::Open(file);
  EXPECT_TRUE(opened.ok()) << opened.why();
  return opened.ok() ? std::move(opened.value()) : nullptr;
}

ServerCounts Counts(Outbox& outbox, const std::string& server) {
  return outbox.Counts_For(server).value();
}

std::string Contents(const std::filesystem::path& file) {
  if (!std::filesystem::is_regular_file(file)) return {};
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Query_Int(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  int value = -1;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    value = sqlite3_column_int(statement, 0);
  }
  sqlite3_finalize(statement);
  return value;
}

std::optional<OutboxItem> Due(Outbox& outbox, const std::string& server, std::int64_t now = 0) {
  auto due = outbox.Next_Due(server, now);
  EXPECT_TRUE(due.ok()) << due.why();
  if (!due.ok() || due.value().empty()) return std::nullopt;
  return due.value().front();
}

TEST(Outbox, KeepsEverythingAcrossARestart) {
  ScratchDir dir;
  {
    auto outbox = Open_Ok(dir / "outbox.sqlite");
    const std::int64_t id = outbox->Enqueue(kFrame, 1000, {kA, kB}).value();
    ASSERT_TRUE(outbox->Mark_Sent(id, kA).ok());
    ASSERT_TRUE(outbox->Mark_Retry(id, kB, 5000, "connection refused").ok());
  }
  auto outbox = Open_Ok(dir / "outbox.sqlite");
  EXPECT_FALSE(Due(*outbox, kA));
  EXPECT_FALSE(Due(*outbox, kB, 4999));
  const auto item = Due(*outbox, kB, 5000);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->attempts, 1);
  EXPECT_EQ(item->bytes, kFrame);
  EXPECT_EQ(outbox->Next_Attempt_Ms(kB).value(), 5000);
  EXPECT_EQ(outbox->Next_Attempt_Ms(kA).value(), std::nullopt);
}

TEST(Outbox, KeepsRejectedFramesWithTheAnswerUntilRetriedOrDiscarded) {
  ScratchDir dir;
  auto outbox = Open_Ok(dir / "outbox.sqlite");
  const std::int64_t one = outbox->Enqueue(kFrame, 1000, {kA, kB}).value();
  const std::int64_t two = outbox->Enqueue(kFrame, 2000, {kA}).value();
  ASSERT_TRUE(outbox->Mark_Rejected(one, kA, "HTTP 400 Bad Request: bad frame").ok());
  ASSERT_TRUE(outbox->Mark_Rejected(two, kA, "HTTP 400 Bad Request").ok());
  ASSERT_TRUE(outbox->Mark_Sent(one, kB).ok());
  EXPECT_FALSE(Due(*outbox, kA));

  const auto rejected = outbox->Rejected_Frames().value();
  ASSERT_EQ(rejected.size(), 2u);
  EXPECT_EQ(rejected[0].frame_id, one);
  EXPECT_EQ(rejected[0].server, kA);
  EXPECT_EQ(rejected[0].received_ms, 1000);
  EXPECT_EQ(rejected[0].answer, "HTTP 400 Bad Request: bad frame");

  // A sent delivery cannot be discarded; a rejected one can, and the frame goes with its last.
  EXPECT_EQ(outbox->Discard(one, kB).value(), 0);
  EXPECT_EQ(outbox->Discard(two, kA).value(), 1);
  EXPECT_EQ(Counts(*outbox, kA).rejected, 1);

  EXPECT_EQ(outbox->Retry_Rejected().value(), 1);
  EXPECT_EQ(Due(*outbox, kA)->frame_id, one);
  EXPECT_EQ(Counts(*outbox, kB).sent, 1);
  EXPECT_FALSE(Due(*outbox, kB));
}

TEST(Outbox, AFullOutboxRefusesNewFramesAndKeepsTheQueuedOnes) {
  ScratchDir dir;
  auto opened = Outbox::Open(dir / "outbox.sqlite", 64 * 1024);
  ASSERT_TRUE(opened.ok()) << opened.why();
  Outbox* outbox = opened.value().get();
  const std::vector<std::uint8_t> big(2000, 0x55);
  int queued = 0;
  Result<std::int64_t> last = std::int64_t{0};
  while ((last = outbox->Enqueue(big, queued, {kA})).ok() && queued < 1000) ++queued;
  ASSERT_FALSE(last.ok());
  EXPECT_NE(last.why().find("is full"), std::string::npos) << last.why();
  ASSERT_GT(queued, 5);
  // Nothing queued before is lost, and sending goes on.
  EXPECT_EQ(Counts(*outbox, kA).waiting, queued);
  const auto item = Due(*outbox, kA);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->bytes, big);
  EXPECT_TRUE(outbox->Mark_Sent(item->frame_id, kA).ok());
}

TEST(Outbox, OneProgramAtATime) {
  ScratchDir dir;
  auto first = Open_Ok(dir / "outbox.sqlite");
  ASSERT_TRUE(first->Enqueue(kFrame, 1, {kA}).ok());
  const auto second = Outbox::Open(dir / "outbox.sqlite");
  ASSERT_FALSE(second.ok());
  EXPECT_EQ(second.why().rfind(kOutboxInUse, 0), 0u) << second.why();
  // The holder goes on undisturbed, and once it closes the file is free.
  EXPECT_TRUE(first->Enqueue(kFrame, 2, {kA}).ok());
  first.reset();
  auto third = Open_Ok(dir / "outbox.sqlite");
  EXPECT_EQ(Counts(*third, kA).waiting, 2);
}

TEST(Outbox, OpenFailsWithAClearReason) {
  struct Case {
    const char* name;
    std::function<std::filesystem::path(const ScratchDir&)> prepare;
    const char* reason;
  } const cases[] = {
      {"garbage file",
       [](const ScratchDir& dir) {
         std::ofstream(dir / "outbox.sqlite") << std::string(8192, 'x');
         return dir / "outbox.sqlite";
       },
       "is damaged or not an outbox database"},
      {"another program's database",
       [](const ScratchDir& dir) {
         sqlite3* db = nullptr;
         sqlite3_open((dir / "other.db").c_str(), &db);
         sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
         sqlite3_close(db);
         return dir / "other.db";
       },
       "is damaged or not an outbox database"},
      {"folder under a file",
       [](const ScratchDir& dir) {
         std::ofstream(dir / "plain") << "x";
         return dir / "plain" / "outbox.sqlite";
       },
       "cannot create the outbox folder"},
      {"a folder in the file's place",
       [](const ScratchDir& dir) {
         std::filesystem::create_directories(dir / "outbox.sqlite");
         return dir / "outbox.sqlite";
       },
       "cannot open the outbox"},
      {"damaged pages behind an intact header",
       [](const ScratchDir& dir) {
         {
           auto outbox = Open_Ok(dir / "outbox.sqlite");
           for (int i = 0; i < 200; ++i) {
             EXPECT_TRUE(outbox->Enqueue(std::vector<std::uint8_t>(300, 0x55), i, {kA}).ok());
           }
         }
         std::fstream file(dir / "outbox.sqlite", std::ios::in | std::ios::out | std::ios::binary);
         file.seekp(4096 * 3);
         file << std::string(4096 * 4, '\x7F');
         return dir / "outbox.sqlite";
       },
       "is damaged"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::filesystem::path file = c.prepare(dir);
    const std::string before = Contents(file);
    const auto opened = Outbox::Open(file);
    ASSERT_FALSE(opened.ok()) << c.name;
    EXPECT_NE(opened.why().find(c.reason), std::string::npos) << c.name << ": " << opened.why();
    // A file that is not a usable outbox is left exactly as it was found.
    EXPECT_EQ(Contents(file), before) << c.name;
  }
}

TEST(Outbox, SentFramesLeaveAndOnlyTheirCountStays) {
  ScratchDir dir;
  auto outbox = Open_Ok(dir / "outbox.sqlite");
  std::vector<std::int64_t> ids;
  for (std::uint8_t tag = 0; tag < 5; ++tag) {
    ids.push_back(outbox->Enqueue(std::vector<std::uint8_t>{0x00, tag}, tag, {kA, kB}).value());
  }
  const auto due = outbox->Next_Due(kA, 0, 3).value();
  ASSERT_EQ(due.size(), 3u);
  for (std::size_t i = 0; i < due.size(); ++i) EXPECT_EQ(due[i].frame_id, ids[i]);
  for (const std::int64_t id : ids) ASSERT_TRUE(outbox->Mark_Sent(id, kA).ok());
  ASSERT_TRUE(outbox->Mark_Sent(ids[0], kA).ok());  // confirmed twice: counted once
  ASSERT_TRUE(outbox->Mark_Sent(ids[0], kB).ok());
  EXPECT_TRUE(outbox->Next_Due(kA, 0, 10).value().empty());
  EXPECT_EQ(outbox->Next_Due(kB, 0, 10).value().size(), 4u);
  const ServerCounts a = Counts(*outbox, kA);
  const ServerCounts b = Counts(*outbox, kB);
  EXPECT_EQ(std::tuple(a.sent, a.waiting, a.rejected), std::tuple(5, 0, 0));
  EXPECT_EQ(std::tuple(b.sent, b.waiting, b.rejected), std::tuple(1, 4, 0));
  outbox.reset();

  // What is left on the disk is only what still has to go.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((dir / "outbox.sqlite").c_str(), &db), SQLITE_OK);
  EXPECT_EQ(Query_Int(db, "SELECT COUNT(*) FROM deliveries"), 4);
  EXPECT_EQ(Query_Int(db, "SELECT COUNT(*) FROM frames"), 4);
  sqlite3_close(db);
}

TEST(Outbox, FramesOfRemovedServersAreNamedAndCanBeDiscarded) {
  ScratchDir dir;
  auto outbox = Open_Ok(dir / "outbox.sqlite");
  const std::int64_t id = outbox->Enqueue(kFrame, 1, {kA, kB}).value();
  ASSERT_TRUE(outbox->Enqueue(kFrame, 2, {kB}).ok());
  ASSERT_TRUE(outbox->Mark_Rejected(id, kB, "HTTP 400").ok());
  ASSERT_TRUE(outbox->Mark_Sent(id, kA).ok());

  const auto counts = outbox->Counts().value();
  // kA has nothing left to deliver; kB, no longer in the settings, has two frames.
  const auto removed = Frames_For_Removed_Servers(counts, {"https://c.example/"});
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0].server, kB);
  EXPECT_TRUE(Frames_For_Removed_Servers(counts, {kA, kB}).empty());

  EXPECT_EQ(outbox->Discard_Server(kB).value(), 2);
  const ServerCounts b = Counts(*outbox, kB);
  EXPECT_EQ(std::tuple(b.waiting, b.rejected), std::tuple(0, 0));
  EXPECT_EQ(Counts(*outbox, kA).sent, 1);
}

TEST(Outbox, AnOutboxOfTheFirstLayoutKeepsItsCountsAndFrames) {
  ScratchDir dir;
  const auto file = dir / "outbox.sqlite";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, R"sql(
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
  )sql",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);

  auto outbox = Open_Ok(file);
  const ServerCounts a = Counts(*outbox, kA);
  EXPECT_EQ(std::tuple(a.sent, a.waiting, a.rejected), std::tuple(2, 1, 0));
  EXPECT_EQ(Counts(*outbox, kB).rejected, 1);
  EXPECT_EQ(Due(*outbox, kA)->bytes, (std::vector<std::uint8_t>{0x00, 0x03}));
  EXPECT_EQ(outbox->Rejected_Frames().value().at(0).received_ms, 20);
}

}  // namespace
}  // namespace orvelt

// Opening the archive's and the outbox's files, on a kind of file of the test's own.
#include "sqlite/versioned_database.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

#include "sqlite/run_sql.hpp"
#include "support/scratch_dir.hpp"

namespace orvelt::sqlite {
namespace {

namespace fs = std::filesystem;
using orvelt::testing::File_Content;
using orvelt::testing::Run_Sql;

const DatabaseKind kKind{"archive", 1413829460, 2, {}};
const std::string kMarks =
    "PRAGMA journal_mode = WAL; PRAGMA application_id = 1413829460; PRAGMA user_version = ";
// Layout 2 keeps each x once in a second table: a file of layout 1 that repeats an x cannot be
// brought up to date, and fails after the upgrade has begun to write.
const std::string kLayout1 = kMarks + "1; CREATE TABLE t(x); INSERT INTO t VALUES(1), (2);";
std::atomic<int> layouts{0};  // made or brought up to date
Outcome Lay_Out(Database& d, const char* sql) {
  ++layouts;
  return d.Exec(sql, "upgrading");
}
const LayoutSteps kSteps{
    [](Database& d) { return Lay_Out(d, "CREATE TABLE t(x); CREATE TABLE u(x UNIQUE)"); },
    [](Database& d, int) {
      return Lay_Out(d, "CREATE TABLE u(x UNIQUE); INSERT INTO u SELECT x FROM t");
    }};

// Each row: a file as it is found (made with `sql`, or holding bytes that are no database), and
// why it is refused. It is left exactly as it was, with no log of changes beside it.
TEST(Open_Versioned, RefusesWhatItCannotTakeAndLeavesTheFileAsItWas) {
  orvelt::testing::ScratchDir dir;
  const struct {
    const char* name;
    std::string sql;
    bool damaged;  // pages in the middle overwritten, opened with every page checked
    std::string said;
  } cases[] = {
      {"newer", kMarks + "3; CREATE TABLE t(x)", false,
       "was written by a newer version (schema 3; this program reads schema 2)"},
      {"foreign", "CREATE TABLE t(x)", false, "is not an archive database of this program"},
      {"not a database", "", false, "is damaged or not an archive database"},
      {"damaged page", kMarks + "2; CREATE TABLE t(x); INSERT INTO t VALUES(zeroblob(60000))", true,
       "is damaged ("},
      {"upgrade fails", kLayout1 + "INSERT INTO t VALUES(1);", false,
       "UNIQUE constraint failed: u.x (it is left as it was, at schema 1)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir / c.name;
    if (c.sql.empty()) std::ofstream(file) << "SQLite format 3" << std::string(200, '\x01');
    if (!c.sql.empty()) Run_Sql(file, c.sql);
    if (c.damaged) {
      std::fstream(file, std::ios::in | std::ios::out | std::ios::binary).seekp(4096 * 3)
          << std::string(4096 * 4, '\x7F');
    }
    const std::string before = File_Content(file);
    const auto opened = Open_Versioned(file, kKind, kSteps, {.check_pages = c.damaged});
    EXPECT_NE(opened.why().find(c.said), std::string::npos) << opened.why();
    EXPECT_TRUE(File_Content(file) == before);
    EXPECT_FALSE(fs::exists(file.string() + "-wal"));
  }
}

// Programs that open one new file, or one of the older layout, at the same moment each get it,
// made or brought up to date exactly once.
TEST(Open_Versioned, ProgramsOpeningOneFileAtOnceMakeOrUpgradeItOnce) {
  orvelt::testing::ScratchDir dir;
  for (const std::string& sql : {std::string(), kLayout1}) {
    for (int round = 0; round < 4; ++round) {
      const fs::path file = dir / (std::to_string(sql.size()) + "_" + std::to_string(round));
      Run_Sql(file, sql);
      layouts = 0;
      std::vector<std::string> said(4);
      std::vector<std::thread> programs;
      for (std::string& why : said) {
        programs.emplace_back([&] { why = Open_Versioned(file, kKind, kSteps).why(); });
      }
      for (auto& program : programs) program.join();
      EXPECT_EQ(said, std::vector<std::string>(4));
      EXPECT_EQ(layouts, 1);
    }
  }
}

// A file that cannot be written (on a read-only disk, or another user's) is read all the same:
// reading never writes, nor makes the files SQLite keeps beside a database it writes.
TEST(Open_Versioned, ReadsAFileThatCannotBeWritten) {
  orvelt::testing::ScratchDir dir;
  const fs::path file = dir / "f";
  Run_Sql(file, kMarks + "2; CREATE TABLE t(x); INSERT INTO t VALUES(7);");
  const auto read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(file, read_only);
  fs::permissions(dir.path(), read_only | fs::perms::owner_exec | fs::perms::group_exec |
                                  fs::perms::others_exec);
  if (fork() == 0) {
    // Root writes whatever the modes say: the file is read as another user then.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    if (Open_Versioned(file, kKind, kSteps).ok()) _exit(3);
    _exit(Open_Versioned(file, kKind, kSteps, {.read_only = true}).ok() ? 0 : 4);
  }
  int status = -1;
  wait(&status);
  fs::permissions(dir.path(), fs::perms::owner_all);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace orvelt::sqlite

#include "forward/forwarder.hpp"
#include "sids_test_server.hpp"
#include "support/scratch_dir.hpp"

#include <QProcess>
#include "wait_until.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <set>

namespace orvelt {
namespace {

using testing::SidsTestServer;

constexpr int kFrames = 120;

// The frame numbers whose delivery the outbox has recorded as sent: every frame queued (all of
// them, before the first answer) that no longer waits.
std::set<int> Committed_Sent(const std::filesystem::path& file) {
  std::set<int> sent;
  for (int frame = 0; frame < kFrames; ++frame) sent.insert(frame);
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* query = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db,
                               "SELECT f.bytes FROM deliveries d JOIN frames f ON f.id = "
                               "d.frame_id",
                               -1, &query, nullptr),
            SQLITE_OK);
  while (sqlite3_step(query) == SQLITE_ROW) {
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(query, 0));
    sent.erase(bytes[2] << 8 | bytes[3]);
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  return sent;
}

std::map<int, int> Received(const SidsTestServer& server, std::size_t from) {
  std::map<int, int> times;
  for (std::size_t i = from; i < server.requests().size(); ++i) {
    const QString hex = server.requests()[i].fields.value("frame");
    ++times[hex.mid(2).toInt(nullptr, 16)];
  }
  return times;
}

TEST(Forwarding, AKilledProgramLosesNothingAndResendsNoConfirmedFrame) {
  testing::ScratchDir dir;
  const auto outbox = dir / "outbox.sqlite";
  SidsTestServer server;
  ASSERT_TRUE(server.Listen());
  server.Set_Default(SidsTestServer::Answer::Status(200, {}, 5));

  QProcess first;
  first.start(ORVELT_DRAIN_PROGRAM, {QString::fromStdString(outbox.string()), server.Url(),
                                     QString::number(kFrames), "--enqueue"});
  ASSERT_TRUE(first.waitForStarted(5000));
  ASSERT_TRUE(testing::Wait_Until([&] { return server.requests().size() >= kFrames / 3; }, 20000))
      << first.readAllStandardError().toStdString();
  first.kill();
  ASSERT_TRUE(first.waitForFinished(5000));
  ASSERT_EQ(first.exitStatus(), QProcess::CrashExit);
  const std::size_t before_restart = server.requests().size();
  ASSERT_LT(before_restart, static_cast<std::size_t>(kFrames)) << "killed too late to tell";

  const std::set<int> committed = Committed_Sent(outbox);
  const std::map<int, int> first_run = Received(server, 0);
  for (int frame : committed) EXPECT_EQ(first_run.count(frame), 1u) << frame;

  QProcess second;
  second.start(ORVELT_DRAIN_PROGRAM,
               {QString::fromStdString(outbox.string()), server.Url(), QString::number(kFrames)});
  ASSERT_TRUE(second.waitForStarted(5000));
  ASSERT_TRUE(testing::Wait_Until([&] { return second.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

  const std::map<int, int> second_run = Received(server, before_restart);
  int resent = 0;
  for (const auto& [frame, times] : second_run) {
    EXPECT_EQ(committed.count(frame), 0u) << "confirmed frame " << frame << " sent again";
    resent += first_run.count(frame) > 0 ? 1 : 0;
  }
  // Only the frames in flight when the program died may go out twice.
  EXPECT_LE(resent, kDefaultRequestsInFlight);
  EXPECT_EQ(Received(server, 0).size(), static_cast<std::size_t>(kFrames));
  EXPECT_EQ(Committed_Sent(outbox).size(), static_cast<std::size_t>(kFrames));
}

}  // namespace
}  // namespace orvelt

#include "forward/forwarder.hpp"
#include "sids_test_server.hpp"
#include "support/scratch_dir.hpp"
#include "wait_until.hpp"

#include <QProcess>

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <set>

namespace orvelt {
namespace {

using testing::SidsTestServer;

constexpr int kFrames = 120;

// The frame numbers whose delivery the outbox holds as sent: every frame (all were queued
// before the first answer) that no longer waits.
std::set<int> Committed_Sent(const std::filesystem::path& file, const std::string& server) {
  std::set<int> sent;
  for (int frame = 0; frame < kFrames; ++frame) sent.insert(frame);
  auto outbox = Outbox::Open(file);
  EXPECT_TRUE(outbox.ok()) << outbox.why();
  const auto waiting =
      outbox.value()->Next_Due(server, std::numeric_limits<std::int64_t>::max(), kFrames);
  for (const OutboxItem& item : waiting.value()) sent.erase(item.bytes[2] << 8 | item.bytes[3]);
  return sent;
}

// How often each frame number reached the server, from its `from`th request on.
std::map<int, int> Received(const SidsTestServer& server, std::size_t from) {
  std::map<int, int> times;
  for (std::size_t i = from; i < server.requests().size(); ++i) {
    ++times[server.requests()[i].fields.value("frame").mid(2).toInt(nullptr, 16)];
  }
  return times;
}

TEST(Forwarding, AKilledProgramLosesNothingAndResendsNoConfirmedFrame) {
  testing::ScratchDir dir;
  const QString outbox = QString::fromStdString((dir / "outbox.sqlite").string());
  SidsTestServer server;
  ASSERT_TRUE(server.Listen());
  server.Set_Default(SidsTestServer::Answer::Status(200, {}, 5));
  const QStringList arguments = {outbox, server.Url(), QString::number(kFrames)};

  QProcess first;
  first.start(ORVELT_DRAIN_PROGRAM, arguments + QStringList{"--enqueue"});
  ASSERT_TRUE(testing::Wait_Until([&] { return server.requests().size() >= kFrames / 3; }, 20000))
      << first.readAllStandardError().toStdString();
  first.kill();
  ASSERT_TRUE(first.waitForFinished(5000));
  const std::size_t before_restart = server.requests().size();
  ASSERT_LT(before_restart, static_cast<std::size_t>(kFrames)) << "killed too late to tell";
  const std::set<int> committed = Committed_Sent(outbox.toStdString(), server.Url().toStdString());
  const std::map<int, int> first_run = Received(server, 0);
  for (int frame : committed) EXPECT_EQ(first_run.count(frame), 1u) << frame;

  QProcess second;
  second.start(ORVELT_DRAIN_PROGRAM, arguments);
  ASSERT_TRUE(testing::Wait_Until([&] { return second.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
  int resent = 0;
  for (const auto& [frame, times] : Received(server, before_restart)) {
    EXPECT_EQ(committed.count(frame), 0u) << "confirmed frame " << frame << " sent again";
    resent += first_run.count(frame) > 0 ? 1 : 0;
  }
  // Only the frames in flight when the program died may go out twice.
  EXPECT_LE(resent, kDefaultRequestsInFlight);
  EXPECT_EQ(Received(server, 0).size(), static_cast<std::size_t>(kFrames));
  EXPECT_EQ(Committed_Sent(outbox.toStdString(), server.Url().toStdString()).size(),
            static_cast<std::size_t>(kFrames));
}

}  // namespace
}  // namespace orvelt

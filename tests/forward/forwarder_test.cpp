#include "forward/forwarder.hpp"

#include "sids_test_server.hpp"
#include "support/example_station.hpp"
#include "support/scratch_dir.hpp"

#include <QSignalSpy>
#include "wait_until.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>

namespace orvelt {
namespace {

using testing::ScratchDir;
using testing::SidsTestServer;
using Answer = SidsTestServer::Answer;

constexpr int kWaitMs = 5000;

ForwarderConfig Config(const QString& url) {
  ForwarderConfig config;
  config.station = testing::Example_Station(url.toStdString());
  config.station.callsign = "DL1ABC/P";
  config.station.longitude = -12.345;
  config.version = "2.6 &=+ test";
  config.timeout_ms = 300;
  config.retry = {50, 200};
  return config;
}

ReceivedFrame Frame(std::uint8_t tag) {
  return {{0x00, 0xC0, 0x80, tag}, 1796638500123};
}

std::unique_ptr<Forwarder> Start_Ok(ForwarderConfig config, const std::filesystem::path& file) {
  auto start = Forwarder::Start(std::move(config), file);
  EXPECT_TRUE(start.ok()) << start.why();
  return start.ok() ? std::move(start.value()) : nullptr;
}

ServerCounts Counts(const Forwarder& forwarder) {
  return forwarder.Status().at(0).counts;
}

// A scratch folder for the outbox and a telemetry server listening on 127.0.0.1.
class ForwarderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Listen()); }
  std::unique_ptr<Forwarder> Start(ForwarderConfig config) {
    return Start_Ok(std::move(config), dir / "outbox.sqlite");
  }
  std::unique_ptr<Forwarder> Start() { return Start(Config(server.Url())); }

  ScratchDir dir;
  SidsTestServer server;
};

TEST_F(ForwarderTest, SendsTheReportWithEveryFieldEncoded) {
  auto forwarder = Start();
  ASSERT_TRUE(forwarder->Accept(Frame(0x2C)).ok());
  ASSERT_TRUE(testing::Wait_Until([&] { return Counts(*forwarder).sent == 1; }, kWaitMs));

  ASSERT_EQ(server.requests().size(), 1u);
  const SidsTestServer::Request& request = server.requests()[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.path, "/api/telemetry/");
  EXPECT_EQ(request.content_type, "application/x-www-form-urlencoded");
  const QMap<QString, QString> expected = {
      {"noradID", "99999"},  {"source", "DL1ABC/P"},      {"timestamp", "2026-12-07T10:15:00.123Z"},
      {"frame", "C0802C"},   {"locator", "longLat"},      {"longitude", "12.345W"},
      {"latitude", "47.1N"}, {"version", "2.6 &=+ test"},
  };
  EXPECT_EQ(request.fields, expected);
  EXPECT_EQ(Counts(*forwarder).waiting, 0);
}

// Each row: what the server answers to the first attempts, then what the frame ends as. Which
// status is retried is the retry policy's own test; here each kind of answer reaches it.
TEST(Forwarder, AnswersDecideBetweenSentRetriedAndRejected) {
  struct Case {
    const char* name;
    std::vector<Answer> answers;  // then 200
    std::int64_t sent;
    std::int64_t rejected;
    std::size_t requests;
    const char* error;  // seen in the status after the first attempt
  } const cases[] = {
      {"500 then 200", {Answer::Status(500, "busy")}, 1, 0, 2, "HTTP 500 Scripted: busy"},
      {"reset mid-request", {Answer::Reset()}, 1, 0, 2, "closed"},
      {"slow server", {Answer::Silent()}, 1, 0, 2, "time-out after 0.3 s"},
      {"400 is final", {Answer::Status(400, "no")}, 0, 1, 1, "HTTP 400 Scripted: no"},
      {"redirect", {Answer::Status(301)}, 0, 1, 1, "moved to http://127.0.0.1:1/elsewhere/"},
      // Megabytes of answer: the status line decides, the rest is never read.
      {"endless header",
       {Answer::Endless(SidsTestServer::Kind::kEndlessHeader, 503)},
       1,
       0,
       2,
       "HTTP 503 Scripted"},
      {"endless body",
       {Answer::Endless(SidsTestServer::Kind::kEndlessBody, 400)},
       0,
       1,
       1,
       "HTTP 400 Scripted: bbbb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    SidsTestServer server;
    ASSERT_TRUE(server.Listen());
    for (const Answer& answer : c.answers) server.Queue(answer);
    ForwarderConfig config = Config(server.Url());
    // Megabytes take their time on a busy machine; only the slow server is meant to time out.
    if (c.answers[0].kind != SidsTestServer::Kind::kSilent) config.timeout_ms = 5000;
    auto forwarder = Start_Ok(config, dir / "outbox.sqlite");
    QStringList errors;
    QObject::connect(forwarder.get(), &Forwarder::countsChanged, [&] {
      const std::string error = forwarder->Status().at(0).last_error;
      if (!error.empty()) errors << QString::fromStdString(error);
    });
    ASSERT_TRUE(forwarder->Accept(Frame(1)).ok());
    ASSERT_TRUE(testing::Wait_Until(
        [&] { return Counts(*forwarder).sent + Counts(*forwarder).rejected == 1; }, kWaitMs));
    // Long enough for a wrongly retried rejection to show.
    testing::Run_Events_For(150);
    EXPECT_EQ(Counts(*forwarder).sent, c.sent);
    EXPECT_EQ(Counts(*forwarder).rejected, c.rejected);
    EXPECT_EQ(Counts(*forwarder).waiting, 0);
    EXPECT_EQ(server.requests().size(), c.requests);
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_TRUE(errors.first().contains(c.error)) << errors.first().toStdString();
    if (c.rejected == 1) {
      const auto rejected = forwarder->outbox()->Rejected_Frames().value();
      ASSERT_EQ(rejected.size(), 1u);
      EXPECT_EQ(QString::fromStdString(rejected[0].answer), errors.first());
    }
  }
}

TEST_F(ForwarderTest, KeepsSeveralRequestsInFlightOverKeptConnections) {
  server.Set_Keep_Alive(true);
  server.Set_Default(Answer::Status(200, {}, 30));
  auto forwarder = Start();
  constexpr int kFrames = 12;
  for (int tag = 0; tag < kFrames; ++tag) {
    ASSERT_TRUE(forwarder->Accept(Frame(static_cast<std::uint8_t>(tag))).ok());
  }
  ASSERT_TRUE(testing::Wait_Until([&] { return Counts(*forwarder).sent == kFrames; }, kWaitMs));
  EXPECT_EQ(server.most_in_flight(), kDefaultRequestsInFlight);
  EXPECT_EQ(server.connections(), kDefaultRequestsInFlight);
  QStringList frames;
  for (const auto& request : server.requests()) frames << request.fields["frame"];
  frames.sort();
  EXPECT_EQ(frames.size(), kFrames);
  EXPECT_EQ(frames.removeDuplicates(), 0);
  // The program's own name and version, for the server's operator.
  EXPECT_EQ(server.requests()[0].user_agent,
            QCoreApplication::applicationName().toUtf8() + "/" + kVersion.data());
}

TEST_F(ForwarderTest, ComesBackWhenRetryAfterSays) {
  server.Queue(Answer::Status(503));
  server.Queue({503, {}, SidsTestServer::Kind::kStatus, 0, "Retry-After: 0\r\n"});
  ForwarderConfig config = Config(server.Url());
  config.retry = {400, 1000};
  auto forwarder = Start(config);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(forwarder->Accept(Frame(1)).ok());
  ASSERT_TRUE(testing::Wait_Until([&] { return Counts(*forwarder).sent == 1; }, kWaitMs));
  // Once after the own delay, once at the server's word: not the 400 + 800 ms of backing off.
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, std::chrono::milliseconds(400));
  EXPECT_LT(took, std::chrono::milliseconds(1100));
  EXPECT_EQ(server.requests().size(), 3u);
}

TEST_F(ForwarderTest, WaitsForAServerThatIsDownAndSendsOnceItIsUp) {
  const quint16 port = server.port();
  server.Close();
  auto forwarder = Start();
  ASSERT_TRUE(forwarder->Accept(Frame(1)).ok());
  ASSERT_TRUE(forwarder->Accept(Frame(2)).ok());
  ASSERT_TRUE(
      testing::Wait_Until([&] { return !forwarder->Status()[0].last_error.empty(); }, kWaitMs));
  EXPECT_TRUE(forwarder->Status_Text().contains("sent 0, waiting 2, rejected 0, last error"))
      << forwarder->Status_Text().toStdString();
  ASSERT_TRUE(server.Listen(port));
  ASSERT_TRUE(testing::Wait_Until([&] { return Counts(*forwarder).sent == 2; }, kWaitMs));
  ASSERT_EQ(server.requests().size(), 2u);
  EXPECT_EQ(server.requests()[0].fields["frame"], "C08001");
  EXPECT_EQ(server.requests()[1].fields["frame"], "C08002");
  EXPECT_EQ(forwarder->Status_Text().toStdString(),
            server.Url().toStdString() + ": sent 2, waiting 0, rejected 0");
}

TEST_F(ForwarderTest, RetriedRejectionsGoOutAgainWhenWoken) {
  server.Queue(Answer::Status(400, "no"));
  auto forwarder = Start();
  ASSERT_TRUE(forwarder->Accept(Frame(1)).ok());
  ASSERT_TRUE(testing::Wait_Until([&] { return Counts(*forwarder).rejected == 1; }, kWaitMs));
  ASSERT_EQ(forwarder->outbox()->Retry_Rejected().value(), 1);
  forwarder->Wake();
  ASSERT_TRUE(testing::Wait_Until([&] { return Counts(*forwarder).sent == 1; }, kWaitMs));
  EXPECT_EQ(Counts(*forwarder).rejected, 0);
}

TEST_F(ForwarderTest, AFullOutboxStopsForwardingWithTheReason) {
  server.Set_Default(Answer::Silent());
  ForwarderConfig config = Config(server.Url());
  config.outbox_max_bytes = 64 * 1024;
  auto forwarder = Start(config);
  QSignalSpy stopped(forwarder.get(), &Forwarder::stopped);
  ReceivedFrame frame = Frame(1);
  frame.bytes.resize(2000, 0x55);
  auto accepted = forwarder->Accept(frame);
  for (int i = 1; i < 1000 && accepted.ok(); ++i) accepted = forwarder->Accept(frame);
  ASSERT_FALSE(accepted.ok());
  EXPECT_NE(accepted.why().find("is full"), std::string::npos) << accepted.why();
  ASSERT_EQ(stopped.count(), 1);
  EXPECT_EQ(forwarder->stopped_reason(), accepted.why());
  EXPECT_TRUE(forwarder->Status_Text().contains("\nforwarding stopped: the outbox "));
  EXPECT_EQ(forwarder->Accept(Frame(2)).why(), "forwarding stopped: " + accepted.why());
}

TEST_F(ForwarderTest, DryRunPrintsTheRequestsAndSendsNothing) {
  ForwarderConfig config = Config(server.Url());
  config.dry_run = true;
  auto forwarder = Start(config);
  QSignalSpy printed(forwarder.get(), &Forwarder::requestPrepared);
  const auto result = forwarder->Accept(Frame(7));
  ASSERT_TRUE(result.ok()) << result.why();
  ASSERT_EQ(result.value().size(), 1u);
  EXPECT_EQ(result.value()[0],
            "POST " + server.Url().toStdString() +
                "\nContent-Type: application/x-www-form-urlencoded\n\n"
                "noradID=99999&source=DL1ABC%2FP&timestamp=2026-12-07T10%3A15%3A00.123Z"
                "&frame=C08007&locator=longLat&longitude=12.345W&latitude=47.1N"
                "&version=2.6%20%26%3D%2B%20test\n");
  EXPECT_EQ(printed.count(), 1);
  testing::Run_Events_For(50);
  EXPECT_TRUE(server.requests().empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "outbox.sqlite"));
}

TEST_F(ForwarderTest, AFrameWithNothingToSendIsRefusedNotQueued) {
  auto forwarder = Start();
  EXPECT_EQ(forwarder->Accept({{0x00}, 0}).why(),
            "the frame has no bytes after the KISS command byte");
  EXPECT_EQ(Counts(*forwarder).waiting, 0);
}

}  // namespace
}  // namespace orvelt

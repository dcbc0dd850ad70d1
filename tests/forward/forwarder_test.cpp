#include "forward/forwarder.hpp"

#include "sids_test_server.hpp"
#include "support/example_station.hpp"
#include "support/scratch_dir.hpp"
#include "wait_until.hpp"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

namespace orvelt {
namespace {

using testing::SidsTestServer;
using Answer = SidsTestServer::Answer;

ReceivedFrame Frame(std::uint8_t tag) {
  return {{0x00, 0xC0, 0x80, tag}, 1796638500123};
}

// A scratch outbox, a telemetry server on 127.0.0.1 and, once started, a forwarder to it.
struct Rig {
  Rig() { EXPECT_TRUE(server.Listen()); }
  ForwarderConfig Config() const {
    ForwarderConfig config;
    config.station = testing::Example_Station(server.Url().toStdString());
    config.station.callsign = "DL1ABC/P";
    config.station.longitude = -12.345;
    config.version = "2.6 &=+ test";
    config.timeout_ms = 300;
    config.retry = {50, 200};
    return config;
  }
  Forwarder& Start(ForwarderConfig config) {
    auto start = Forwarder::Start(std::move(config), dir / "outbox.sqlite");
    EXPECT_TRUE(start.ok()) << start.why();
    forwarder = std::move(start).value();
    return *forwarder;
  }
  ServerCounts Counts() const { return forwarder->Status().at(0).counts; }
  bool Wait_For_Sent(int frames) {
    return testing::Wait_Until([&] { return Counts().sent == frames; });
  }

  testing::ScratchDir dir;
  SidsTestServer server;
  std::unique_ptr<Forwarder> forwarder;
};

// Every frame once, its fields encoded, several requests in flight over connections kept open.
// The fields go both into the query string, as SiDS writes its requests, and into the form body:
// servers that read either take every frame, over an address with a query of its own too.
TEST(Forwarder, SendsEachFrameOnceWithTheStationFields) {
  using From = SidsTestServer::FieldsFrom;
  for (const From from : {From::kQueryOnly, From::kBodyOnly}) {
    SCOPED_TRACE(from == From::kQueryOnly ? "query string" : "form body");
    Rig r;
    r.server.Set_Fields_From(from);
    r.server.Set_Keep_Alive(true);
    r.server.Set_Default(Answer::Status(201, {}, 30));
    ForwarderConfig config = r.Config();
    config.station.servers.at(0).url += "?key=abc";
    Forwarder& forwarder = r.Start(config);
    for (std::uint8_t tag = 0; tag < 12; ++tag) ASSERT_TRUE(forwarder.Accept(Frame(tag)).ok());
    ASSERT_TRUE(r.Wait_For_Sent(12)) << forwarder.Status().at(0).last_error;
    EXPECT_EQ(r.Counts().waiting + r.Counts().rejected, 0);
    EXPECT_EQ(r.server.most_in_flight(), kDefaultRequestsInFlight);
    EXPECT_EQ(r.server.connections(), kDefaultRequestsInFlight);
    QStringList frames;
    for (const SidsTestServer::Request& request : r.server.requests()) {
      QMap<QString, QString> fields = request.fields, query = request.query;
      EXPECT_EQ(query.take("key"), "abc");
      EXPECT_EQ(query, fields);
      frames << fields.take("frame");
      const QMap<QString, QString> expected = {{"noradID", "99999"},
                                               {"source", "DL1ABC/P"},
                                               {"timestamp", "2026-12-07T10:15:00.123Z"},
                                               {"locator", "longLat"},
                                               {"longitude", "12.345W"},
                                               {"latitude", "47.1N"},
                                               {"version", "2.6 &=+ test"}};
      EXPECT_EQ(fields, expected);
      EXPECT_EQ(request.method + " " + request.path.left(request.path.indexOf('?')) + " " +
                    request.content_type,
                "POST /api/telemetry/ application/x-www-form-urlencoded");
      // The program's own name and version, for the server's operator.
      EXPECT_EQ(request.user_agent,
                QCoreApplication::applicationName().toUtf8() + "/" + kVersion.data());
    }
    frames.sort();
    EXPECT_EQ(frames, QStringList({"C08000", "C08001", "C08002", "C08003", "C08004", "C08005",
                                   "C08006", "C08007", "C08008", "C08009", "C0800A", "C0800B"}));
  }
}

// Each row: what the server answers to the first attempt (then 200), and what the frame ends
// as. Which status is retried is the retry policy's own test; here each kind of answer reaches
// it. A rejected frame goes out again once the user retries it.
TEST(Forwarder, AnswersDecideBetweenSentRetriedAndRejected) {
  const struct {
    Answer answer;
    bool rejected;
    const char* error;  // seen in the status after the first attempt
  } cases[] = {
      {Answer::Status(500, "busy"), false, "HTTP 500 Scripted: busy"},
      {Answer::Reset(), false, "closed"},
      {Answer::Silent(), false, "time-out after 0.3 s"},
      {Answer::Status(400, "no"), true, "HTTP 400 Scripted: no"},
      {Answer::Status(301), true, "moved to http://127.0.0.1:1/elsewhere/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    Rig r;
    r.server.Queue(c.answer);
    ForwarderConfig config = r.Config();
    // Only the silent server is meant to time out, however busy the machine.
    if (c.answer.kind != SidsTestServer::Kind::kSilent) config.timeout_ms = 5000;
    Forwarder& forwarder = r.Start(config);
    QStringList errors;
    QObject::connect(&forwarder, &Forwarder::countsChanged, [&] {
      const std::string error = forwarder.Status().at(0).last_error;
      if (!error.empty()) errors << QString::fromStdString(error);
    });
    ASSERT_TRUE(forwarder.Accept(Frame(1)).ok());
    ASSERT_TRUE(testing::Wait_Until([&] { return r.Counts().sent + r.Counts().rejected == 1; }));
    QTest::qWait(150);  // long enough for a wrongly retried rejection to show
    EXPECT_EQ(r.Counts().rejected, c.rejected ? 1 : 0);
    EXPECT_EQ(r.server.requests().size(), c.rejected ? 1u : 2u);
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_TRUE(errors.first().contains(c.error)) << errors.first().toStdString();
    if (!c.rejected) continue;
    EXPECT_EQ(forwarder.outbox()->Rejected_Frames().value().at(0).answer,
              errors.first().toStdString());
    ASSERT_EQ(forwarder.outbox()->Retry_Rejected().value(), 1);
    forwarder.Wake();
    ASSERT_TRUE(r.Wait_For_Sent(1));
  }
}

TEST(Forwarder, ComesBackWhenRetryAfterSays) {
  Rig r;
  r.server.Queue(Answer::Status(503));
  r.server.Queue({503, {}, SidsTestServer::Kind::kStatus, 0, "Retry-After: 0\r\n"});
  ForwarderConfig config = r.Config();
  config.retry = {400, 1000};
  Forwarder& forwarder = r.Start(config);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(forwarder.Accept(Frame(1)).ok());
  ASSERT_TRUE(r.Wait_For_Sent(1));
  // Once after the own delay, once at the server's word: not the 400 + 800 ms of backing off.
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, std::chrono::milliseconds(400));
  EXPECT_LT(took, std::chrono::milliseconds(1100));
  EXPECT_EQ(r.server.requests().size(), 3u);
}

// Refused connections are tried again until the server is up.
TEST(Forwarder, WaitsForAServerThatIsDownAndSendsOnceItIsUp) {
  Rig r;
  const quint16 port = r.server.port();
  r.server.Close();
  Forwarder& forwarder = r.Start(r.Config());
  ASSERT_TRUE(forwarder.Accept(Frame(1)).ok());
  ASSERT_TRUE(testing::Wait_Until([&] { return !forwarder.Status()[0].last_error.empty(); }));
  EXPECT_EQ(r.Counts().waiting, 1);
  ASSERT_TRUE(r.server.Listen(port));
  ASSERT_TRUE(r.Wait_For_Sent(1));
}

TEST(Forwarder, AFullOutboxStopsForwardingWithTheReasonAndKeepsTheQueued) {
  Rig r;
  r.server.Set_Default(Answer::Silent());
  ForwarderConfig config = r.Config();
  config.outbox_max_bytes = 64 * 1024;
  Forwarder& forwarder = r.Start(config);
  QSignalSpy stopped(&forwarder, &Forwarder::stopped);
  ReceivedFrame frame = Frame(1);
  frame.bytes.resize(2000, 0x55);
  int queued = 0;
  Result<std::vector<std::string>> accepted = forwarder.Accept(frame);
  for (; queued < 1000 && accepted.ok(); ++queued) accepted = forwarder.Accept(frame);
  EXPECT_NE(accepted.why().find("is full"), std::string::npos) << accepted.why();
  EXPECT_EQ(stopped.count(), 1);
  EXPECT_EQ(forwarder.Accept(Frame(2)).why(), "forwarding stopped: " + accepted.why());
  EXPECT_EQ(forwarder.outbox()->Counts_For(r.server.Url().toStdString()).value().waiting, queued);
}

// Dry run prints the requests; nothing is sent or queued.
TEST(Forwarder, DryRunPrintsTheRequestsAndSendsNothing) {
  Rig r;
  ForwarderConfig config = r.Config();
  config.dry_run = true;
  const auto printed = r.Start(config).Accept(Frame(7));
  ASSERT_EQ(printed.value().size(), 1u);
  EXPECT_TRUE(printed.value()[0].starts_with("POST " + r.server.Url().toStdString() +
                                             "?noradID=99999&source=DL1ABC%2FP&"));
  EXPECT_NE(printed.value()[0].find("&frame=C08007&"), std::string::npos);
  QTest::qWait(50);
  EXPECT_TRUE(r.server.requests().empty());
  EXPECT_FALSE(std::filesystem::exists(r.dir / "outbox.sqlite"));
}

TEST(Forwarder, AFrameWithNothingToSendIsRefusedNotQueued) {
  Rig r;
  EXPECT_EQ(r.Start(r.Config()).Accept({{0x00}, 0}).why(),
            "the frame has no bytes after the KISS command byte");
  EXPECT_EQ(r.Counts().waiting, 0);
}

}  // namespace
}  // namespace orvelt

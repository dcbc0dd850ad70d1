#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <string>
#include <vector>

#include "archive/archive_loading.hpp"
#include "archive/network_fetch.hpp"
#include "forward/sids_test_server.hpp"
#include "support/scratch_dir.hpp"

namespace orvelt {
namespace {

using testing::SidsTestServer;
using Answer = SidsTestServer::Answer;
using Kind = SidsTestServer::Kind;

constexpr UtcSeconds kNov28 = 1795824000;  // 2026-11-28 00:00:00 UTC

// A page of `count` battery frames, one a second from `first`.
QByteArray Page(int first, int count) {
  QByteArray json = "[";
  for (int k = 0; k < count; ++k) {
    if (k) json += ",";
    json += "{\"frame\": \"C0800000022C0300" +
            QByteArray::number(0x10 + (first + k) % 200, 16).toUpper() + "00\", \"timestamp\": \"" +
            QByteArray::fromStdString(Format_Utc_Time(kNov28 + first + k)) +
            "\", \"observer\": \"DL0ABC-JO62\"}";
  }
  return json + "]";
}

Answer Ok(QByteArray body, QByteArray next = {}) {
  const QByteArray link = next.isEmpty() ? QByteArray() : "Link: <" + next + ">; rel=\"next\"\r\n";
  return {200, std::move(body), Kind::kStatus, 0, link};
}

class NetworkFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Listen());
    server_.Set_Default(Answer::Status(500, "script used up"));
    auto opened = Archive::Open(dir_ / "archive.sqlite");
    ASSERT_TRUE(opened.ok());
    archive_ = std::move(opened.value());
  }
  // Runs one fetch to its end, within a bounded time.
  FetchReport Fetch() {
    FetchRequest request{server_.Origin().toStdString(), 99999, "secret-token", 0, kNov28 + 86400};
    NetworkFetch fetch(request, [&](const TelemetryPage& page) {
      return Add_Network_Page(*archive_, page, load_);
    });
    bool done = false;
    QObject::connect(&fetch, &NetworkFetch::Finished, [&] { done = true; });
    fetch.Start();
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 20000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(done);
    return fetch.report();
  }
  SidsTestServer server_;
  orvelt::testing::ScratchDir dir_;
  std::unique_ptr<Archive> archive_;
  ArchiveLoad load_;
};

// How a fetch ends early: each keeps the pages already taken and says why.
TEST_F(NetworkFetchTest, StopsEarlyAndKeepsWhatWasFetched) {
  struct Case {
    std::vector<Answer> answers;
    std::string error;
    std::int64_t kept;
  };
  const QByteArray next = server_.Url().toUtf8() + "?satellite=99999&cursor=2";
  const std::vector<Case> cases = {
      {{Answer::Status(401, "{\"detail\": \"Invalid token.\"}")}, "token refused", 0},
      {{Ok(Page(0, 10), next), {200, Page(10, 40), Kind::kDropMidBody, 0, {}}},
       "broke off during page 2",
       10},
      {{Ok(Page(0, 10), next), Answer::Status(500)}, "answered 500", 10},
      {{Ok(Page(0, 10), "http://[::1]:9/api/telemetry/?cursor=2")}, "another server", 10},
      {{Ok("{\"detail\": \"not a list\"}")}, "no list of frames", 0},
  };
  for (const auto& [answers, error, kept] : cases) {
    SCOPED_TRACE(error);
    load_ = {};
    for (const auto& answer : answers) server_.Queue(answer);
    const FetchReport report = Fetch();
    EXPECT_FALSE(report.complete);
    EXPECT_NE(report.error.find(error), std::string::npos) << report.error;
    EXPECT_EQ(report.error.find("secret-token"), std::string::npos);
    EXPECT_EQ(load_.counts.frames, kept);
  }
  // Only 127.0.0.1 was ever asked.
  EXPECT_EQ(server_.requests().size(), 7u);
}

struct ProgramRun {
  int status = -1;
  QByteArray err;
};

// orvelt-archive fetch as a user runs it, served by the test's server while it runs.
ProgramRun Fetch_Program(const QStringList& args) {
  QProcess program;
  program.start(QStringLiteral(ORVELT_ARCHIVE_BINARY), args);
  QElapsedTimer clock;
  clock.start();
  while (program.state() != QProcess::NotRunning && clock.elapsed() < 20000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    program.waitForFinished(10);
  }
  return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
          program.readAllStandardError()};
}

// The program fetches through pages and a 429, resumes after the newest frame the next time,
// keeping the server's wait and sending the token with every request but never printing it.
TEST_F(NetworkFetchTest, ProgramFetchesResumesAndNeverPrintsTheToken) {
  const QString file = QString::fromStdString((dir_ / "cli.sqlite").string());
  const QStringList args = {"fetch",          "--archive", file,           "--norad",
                            "99999",          "--token",   "secret-token", "--server",
                            server_.Origin(), "--to",      "2026-11-28"};
  server_.Queue(Ok(Page(0, 30), "/api/telemetry/?satellite=99999&cursor=2"));
  server_.Queue({429, {}, Kind::kStatus, 0, "Retry-After: 1\r\n"});
  server_.Queue(Ok(Page(30, 20)));
  QElapsedTimer clock;
  clock.start();
  const ProgramRun first = Fetch_Program(args);
  EXPECT_GE(clock.elapsed(), 1000);  // the server's wait was kept
  EXPECT_EQ(first.status, 0) << first.err.toStdString();
  EXPECT_TRUE(first.err.contains("fetched 50 frames on 2 pages (1 waits): 50 new"))
      << first.err.toStdString();

  // A fetch that stops early keeps its frames but not its newest time, as pages may come
  // newest first: the next one starts from the same point again.
  for (const bool dropped : {true, false}) {
    server_.Queue(Ok(Page(49, 5), "/api/telemetry/?satellite=99999&cursor=3"));
    server_.Queue({200, Page(60, 5), dropped ? Kind::kDropMidBody : Kind::kStatus, 0, {}});
    const ProgramRun next = Fetch_Program(args);
    EXPECT_EQ(next.status, dropped ? 1 : 0) << next.err.toStdString();
    EXPECT_TRUE(next.err.contains(dropped ? "4 new, 0 already archived from another source, 1"
                                          : "5 new, 0 already archived from another source, 5"))
        << next.err.toStdString();
    EXPECT_TRUE(server_.requests()[server_.requests().size() - 2].path.contains(
        "start=2026-11-28T00:00:49Z"));
    EXPECT_FALSE(next.err.contains("secret-token"));
  }
  for (const auto& request : server_.requests())
    EXPECT_EQ(request.authorization, "Token secret-token");
  EXPECT_FALSE(first.err.contains("secret-token"));
}

}  // namespace
}  // namespace orvelt

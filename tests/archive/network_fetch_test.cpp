#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QProcess>
#include <QStringList>

#include <string>
#include <vector>

#include "archive/archive_loading.hpp"
#include "archive/network_fetch.hpp"
#include "archive/telemetry_page.hpp"
#include "base/version.hpp"
#include "forward/sids_test_server.hpp"
#include "forward/wait_until.hpp"
#include "support/scratch_dir.hpp"

namespace orvelt {
namespace {

using testing::SidsTestServer;
using Answer = SidsTestServer::Answer;
using Kind = SidsTestServer::Kind;

constexpr UtcSeconds kNov28 = 1795824000;  // 2026-11-28 00:00:00 UTC

// Each row: a page as a server sends it, then what is read: "frames unusable next", or "none".
TEST(Parse_Telemetry_Page, ReadsCursorPagesAndTheBareListsOfOlderServers) {
  const std::string good = R"({"frame": "C0800000022C030010", "timestamp": "2026-11-28T00:00:00Z",
                               "observer": "DL0ABC-JO62", "app_source": "sids"})";
  const struct {
    std::string json;
    const char* read;
  } cases[] = {
      {R"({"next": "https://db/api/telemetry/?cursor=cD0y", "previous": null, "results": [)" +
           good + "," + good + "]}",
       "2 0 https://db/api/telemetry/?cursor=cD0y"},
      {R"({"next": null, "previous": "https://db/?cursor=x", "results": [)" + good + "]}", "1 0 -"},
      {"[" + good + "]", "1 0 -"},
      {R"({"results": []})", "0 0 -"},
      {"[]", "0 0 -"},
      // A frame with spaces between its bytes, a time with a fraction and an offset.
      {R"([{"frame": "C0 80 00 00 02 2C 03 00 10", "timestamp": "2026-11-28T01:00:00.123+01:00"}])",
       "1 0 -"},
      // Frames that cannot be read and times that cannot be: counted, not archived.
      {R"([{"frame": "C0 8", "timestamp": "2026-11-28T00:00:00Z"},
           {"frame": "C080", "timestamp": "0000-01-01T00:00:00Z"},
           {"frame": "C080", "timestamp": "9999-12-31T23:59:59Z"},
           {"frame": "C080", "timestamp": "1956-12-31T23:59:59Z"},
           {"frame": "C080"}, {"timestamp": "2026-11-28T00:00:00Z"}, 5, null, "C080"])",
       "0 9 -"},
      {R"({"detail": "Invalid token."})", "none"},
      {R"({"next": 5, "results": []})", "none"},
      {R"({"results": {"frame": "C080"}})", "none"},
      {"[" + good, "none"},
      {"", "none"},
      {std::string(5000, '[') + std::string(5000, ']'), "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json.substr(0, 80));
    const auto page = Parse_Telemetry_Page(c.json, kNov28 + 3600);
    const std::string read = page ? std::to_string(page->entries.size()) + " " +
                                        std::to_string(page->unusable) + " " +
                                        page->next.value_or("-")
                                  : "none";
    EXPECT_EQ(read, c.read);
    if (page && !page->entries.empty()) {
      EXPECT_EQ(page->entries[0].time, kNov28);
      EXPECT_EQ(page->entries[0].bytes.size(), 10u);  // the KISS command byte in front
    }
  }
}

// Runs end early and go on below where they stopped, down to the same lower bound, until one
// reads the listing to its end: only then does the lower bound move, to the newest frame of all.
TEST(Plan_Fetch, GoesOnBelowAnUnfinishedRunUntilTheListingIsRead) {
  orvelt::testing::ScratchDir dir;
  auto archive = Archive::Open(dir / "archive.sqlite").value();
  const std::string server = "https://db.example";
  constexpr UtcSeconds kNow = kNov28 + 10 * 86400;
  const struct {
    bool complete;
    std::optional<UtcSeconds> oldest, newest;  // of the run
    const char* next_plan;                     // "from to [continues]" after the run
  } runs[] = {
      // Nothing read: the plan stands.
      {false, std::nullopt, std::nullopt, "0 864000"},
      {false, 800000, 864000, "0 800000 continues"},
      {false, 700000, 800000, "0 700000 continues"},
      {false, std::nullopt, std::nullopt, "0 700000 continues"},  // a failure at its first page
      {true, 100, 700000, "864000 864000"},
      // A later listing, read whole at once.
      {true, 864000, 864500, "864500 864000"},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.next_plan);
    const FetchPlan plan = Plan_Fetch(*archive, server, 99999, kNow).value();
    FetchReport report;
    report.complete = run.complete;
    // Times in the table count from kNov28; 0 is 1970, where a first fetch starts.
    if (run.oldest) report.oldest = kNov28 + *run.oldest;
    if (run.newest) report.newest = kNov28 + *run.newest;
    ASSERT_TRUE(Note_Fetch_End(*archive, server, 99999, plan, report).ok());
    const FetchPlan next = Plan_Fetch(*archive, server, 99999, kNow).value();
    const auto shown = [](UtcSeconds t) { return std::to_string(t == 0 ? 0 : t - kNov28); };
    EXPECT_EQ(shown(next.from) + " " + shown(next.to) + (next.continues ? " continues" : ""),
              run.next_plan);
  }
  // Another satellite and another server have plans of their own.
  EXPECT_EQ(Plan_Fetch(*archive, server, 12345, kNow).value().from, 0);
  EXPECT_FALSE(Plan_Fetch(*archive, server + ":8443", 99999, kNow).value().continues);
}

// A page of `count` battery frames, one a second from `first`, as a bare list.
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

// The same frames as a cursor page, its next page named in the body only.
QByteArray Cursor_Page(int first, int count, const QByteArray& next) {
  return "{\"next\": \"" + next + "\", \"previous\": null, \"results\": " + Page(first, count) +
         "}";
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
  FetchReport Fetch(FetchRequest request) {
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
  FetchRequest Request() const {
    return {server_.Origin().toStdString(), 99999, "secret-token", 0, kNov28 + 86400};
  }
  SidsTestServer server_;
  orvelt::testing::ScratchDir dir_;
  std::unique_ptr<Archive> archive_;
  ArchiveLoad load_;
};

// How a fetch ends early, hostile servers included: each ends in bounded time, keeps the pages
// already taken and says why.
TEST_F(NetworkFetchTest, StopsEarlyAndKeepsWhatWasFetched) {
  struct Case {
    std::vector<Answer> answers;
    std::string error;
    std::int64_t kept;
    FetchRequest request;
  };
  const QByteArray next = server_.Url().toUtf8() + "?satellite=99999&cursor=2";
  FetchRequest bound = Request();
  bound.max_pages = 2;
  FetchRequest hurried = Request();
  hurried.page_deadline_ms = 1000;
  FetchRequest pasted = Request();
  pasted.token = "secret-token\r\nX-Other: 1";
  const std::vector<Case> cases = {
      {{Answer::Status(401, "{\"detail\": \"Invalid token.\"}")}, "token refused", 0, Request()},
      {{Answer::Status(404, "{\"detail\": \"Not found.\"}")},
       "satellite 99999 is not known to the server",
       0,
       Request()},
      {{Ok(Page(0, 10), next), {200, Page(10, 40), Kind::kDropMidBody, 0, {}}},
       "page 2 could not be read: the server closed the connection in the middle",
       10,
       Request()},
      {{Ok(Page(0, 10), next), Answer::Status(404)},
       "answered 404 Scripted to page 2",
       10,
       Request()},
      {{Ok(Cursor_Page(0, 10, next)), Answer::Status(500)}, "answered 500", 10, Request()},
      {{Ok(Page(0, 10), "http://[::1]:9/api/telemetry/?cursor=2")},
       "another server",
       10,
       Request()},
      {{Answer::Status(302)}, "moved to http://127.0.0.1:1/elsewhere/, not followed", 0, Request()},
      {{Ok("{\"detail\": \"not a list\"}")}, "no list of frames", 0, Request()},
      // A next link back to a page already read ends the fetch instead of asking for ever.
      {{Ok(Page(0, 10), next), Ok(Page(10, 5), next)}, "go round in a circle", 15, Request()},
      // A page far too large, and one that trickles in: each ends the fetch, promptly.
      {{{200, {}, Kind::kEndlessBody, 0, {}}}, "larger than 4194304 bytes", 0, Request()},
      {{Ok(Page(0, 10), next), {200, {}, Kind::kTrickle, 0, {}}},
       "time-out after 1 s",
       10,
       hurried},
      {{Ok(Page(0, 10), next), Ok(Page(10, 10), next + "3")}, "stopped after 2 pages", 20, bound},
      {{}, "control character", 0, pasted},
  };
  std::size_t asked = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    load_ = {};
    for (const auto& answer : c.answers) server_.Queue(answer);
    QElapsedTimer clock;
    clock.start();
    const FetchReport report = Fetch(c.request);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(report.complete);
    EXPECT_NE(report.error.find(c.error), std::string::npos) << report.error;
    EXPECT_EQ(report.error.find("secret-token"), std::string::npos);
    EXPECT_EQ(load_.counts.frames, c.kept);
    // Each answer was asked for once and no request went out beyond them.
    asked += c.answers.size();
    EXPECT_EQ(server_.requests().size(), asked);
  }
  for (const auto& request : server_.requests()) {
    EXPECT_EQ(request.authorization, "Token secret-token");
    EXPECT_TRUE(request.accept_encoding.isEmpty()) << request.accept_encoding.toStdString();
  }
}

struct ProgramRun {
  int status = -1;
  QByteArray out, err;
};

// orvelt-archive as a user runs it, served by the test's server while it runs.
ProgramRun Run_Program(const QStringList& args) {
  QProcess program;
  program.start(QStringLiteral(ORVELT_ARCHIVE_BINARY), args);
  QElapsedTimer clock;
  clock.start();
  while (program.state() != QProcess::NotRunning && clock.elapsed() < 20000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    program.waitForFinished(10);
  }
  return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
          program.readAllStandardOutput(), program.readAllStandardError()};
}

// An older server, bare lists with Link headers: the program fetches through pages and a 429
// whose Retry-After is a date, keeps the wait, says who it is, and sends the token with every
// request but never prints it.
TEST_F(NetworkFetchTest, ProgramFetchesFromAnOlderServer) {
  const QString file = QString::fromStdString((dir_ / "cli.sqlite").string());
  const QStringList args = {"fetch",          "--archive", file,           "--norad",
                            "99999",          "--token",   "secret-token", "--server",
                            server_.Origin(), "--to",      "2026-11-28"};
  server_.Queue(Ok(Page(0, 30), "/api/telemetry/?satellite=99999&cursor=2"));
  const QString in_two_seconds =
      QLocale::c().toString(QDateTime::currentDateTimeUtc().addSecs(2),
                            QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
  server_.Queue({429, {}, Kind::kStatus, 0, "Retry-After: " + in_two_seconds.toLatin1() + "\r\n"});
  server_.Queue(Ok(Page(30, 20)));
  QElapsedTimer clock;
  clock.start();
  const ProgramRun first = Run_Program(args);
  EXPECT_GE(clock.elapsed(), 1000);  // the server's wait was kept
  EXPECT_EQ(first.status, 0) << first.err.toStdString();
  EXPECT_TRUE(first.err.contains("fetched 50 frames on 2 pages (1 waits): 50 new"))
      << first.err.toStdString();
  EXPECT_TRUE(server_.requests().at(0).path.contains("start=1970-01-01T00:00:00Z"));
  for (const auto& request : server_.requests()) {
    EXPECT_EQ(request.authorization, "Token secret-token");
    EXPECT_EQ(request.user_agent, QByteArray("orvelt-archive/") + kVersion.data());
  }
  EXPECT_FALSE(first.err.contains("secret-token"));

  // Stopped by a signal while the server asks to wait: what was read is kept, and the next
  // fetch goes on below it.
  server_.Queue(Ok(Page(100, 10), "/api/telemetry/?satellite=99999&cursor=9"));
  server_.Queue({429, {}, Kind::kStatus, 0, "Retry-After: 60\r\n"});
  QProcess stopped;
  stopped.start(ORVELT_ARCHIVE_BINARY, args);
  const std::size_t before = server_.requests().size();
  ASSERT_TRUE(testing::Wait_Until([&] { return server_.requests().size() == before + 2; }, 10000));
  stopped.terminate();
  ASSERT_TRUE(testing::Wait_Until([&] { return stopped.state() == QProcess::NotRunning; }, 10000));
  const QByteArray said = stopped.readAllStandardError();
  EXPECT_EQ(stopped.exitCode(), 1);
  EXPECT_TRUE(
      said.contains("stopped; what was fetched is kept; the next fetch goes on below "
                    "2026-11-28T00:01:40Z"))
      << said.toStdString();

  // Help, and a token that would make a header of its own, are answered before any request.
  const std::size_t asked = server_.requests().size();
  const ProgramRun help = Run_Program({"fetch", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.contains("--max-pages")) << help.out.toStdString();
  const ProgramRun pasted =
      Run_Program({"fetch", "--archive", file, "--norad", "99999", "--token", "abc\r\nX-Evil: 1"});
  EXPECT_EQ(pasted.status, 2);
  EXPECT_TRUE(pasted.err.contains("control character")) << pasted.err.toStdString();
  EXPECT_EQ(server_.requests().size(), asked);
}

}  // namespace
}  // namespace orvelt

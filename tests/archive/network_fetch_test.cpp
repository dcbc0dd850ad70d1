#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <string>
#include <vector>

#include "archive/archive_loading.hpp"
#include "archive/network_fetch.hpp"
#include "archive/telemetry_page.hpp"
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

Answer Ok(QByteArray body, QByteArray next = {}) {
  const QByteArray link = next.isEmpty() ? QByteArray() : "Link: <" + next + ">; rel=\"next\"\r\n";
  return {200, std::move(body), Kind::kStatus, 0, link};
}

class NetworkFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Listen());
    server_.Set_Default(Answer::Status(500, "script used up"));
    archive_ = Archive::Open(dir_ / "archive.sqlite").value();
  }
  // Runs one fetch to its end, within a bounded time.
  FetchReport Fetch(FetchRequest request) {
    NetworkFetch fetch(request, [&](const TelemetryPage& page) {
      return Add_Network_Page(*archive_, page, load_).ok();
    });
    bool done = false;
    QObject::connect(&fetch, &NetworkFetch::Finished, [&] { done = true; });
    fetch.Start();
    EXPECT_TRUE(testing::Wait_Until([&] { return done; }, 20000));
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
  FetchRequest bound = Request(), hurried = Request(), pasted = Request();
  bound.max_pages = 2;
  hurried.page_deadline_ms = 1000;
  pasted.token = "secret-token\r\nX-Other: 1";
  const QByteArray next = server_.Url().toUtf8() + "?satellite=99999&cursor=2";
  const struct {
    std::vector<Answer> answers;
    std::string error;
    std::int64_t kept;
    const FetchRequest* request = nullptr;  // none: the test's own
  } cases[] = {
      {{Answer::Status(401, "{\"detail\": \"Invalid token.\"}")}, "token refused", 0},
      {{Answer::Status(404)}, "satellite 99999 is not known to the server", 0},
      {{Ok(Page(0, 10), next), {200, Page(10, 40), Kind::kDropMidBody, 0, {}}},
       "page 2 could not be read: the server closed the connection in the middle",
       10},
      {{Ok(Page(0, 10), next), Answer::Status(404)}, "answered 404 Scripted to page 2", 10},
      // A cursor page that names its next page in the body only.
      {{Ok("{\"next\": \"" + next + "\", \"results\": " + Page(0, 10) + "}"), Answer::Status(500)},
       "answered 500",
       10},
      {{Ok(Page(0, 10), "http://[::1]:9/api/telemetry/?cursor=2")}, "another server", 10},
      {{Answer::Status(302)}, "moved to http://127.0.0.1:1/elsewhere/, not followed", 0},
      {{Ok("{\"detail\": \"not a list\"}")}, "no list of frames", 0},
      // A next link back to a page already read ends the fetch instead of asking for ever.
      {{Ok(Page(0, 10), next), Ok(Page(10, 5), next)}, "go round in a circle", 15},
      // A page far too large, and one that trickles in: each ends the fetch, promptly.
      {{{200, {}, Kind::kEndlessBody, 0, {}}}, "larger than 4194304 bytes", 0},
      {{Ok(Page(0, 10), next), {200, {}, Kind::kTrickle, 0, {}}},
       "time-out after 1 s",
       10,
       &hurried},
      {{Ok(Page(0, 10), next), Ok(Page(10, 10), next + "3")}, "stopped after 2 pages", 20, &bound},
      {{}, "control character", 0, &pasted},
  };
  std::size_t asked = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    load_ = {};
    for (const auto& answer : c.answers) server_.Queue(answer);
    QElapsedTimer clock;
    clock.start();
    const FetchReport report = Fetch(c.request ? *c.request : Request());
    EXPECT_LT(clock.elapsed(), 5000);
    const std::string& why = report.to_last_page.why();
    EXPECT_NE(why.find(c.error), std::string::npos) << why;
    EXPECT_EQ(why.find("secret-token"), std::string::npos);
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

}  // namespace
}  // namespace orvelt

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "archive/archive_place.hpp"
#include "archive/network_fetch_rules.hpp"
#include "archive/satnogs_export.hpp"
#include "archive/utc_time.hpp"

namespace orvelt {
namespace {

constexpr UtcSeconds kNov28 = 1795824000;  // 2026-11-28 00:00:00 UTC

TEST(ParseUtcTime, ReadsEveryFormAndRefusesTheRest) {
  struct Case {
    std::string text;
    std::optional<UtcSeconds> seconds;
  };
  for (const auto& [text, seconds] :
       std::vector<Case>{{"2026-11-28", kNov28},
                         {"2026-11-28 09:14:05", kNov28 + 33245},
                         {"2026-11-28T09:14:05Z", kNov28 + 33245},
                         {"2026-11-28T09:14:05.123456Z", kNov28 + 33245},
                         {"2026-11-28T11:14:05+02:00", kNov28 + 33245},
                         {"1969-12-31T23:59:59Z", -1},
                         {"2026-02-29", std::nullopt},
                         {"2026-11-28T24:00:00Z", std::nullopt},
                         {"2026-11-28T09:14:05.Z", std::nullopt},
                         {"2026-11-28T09:14:05+0200", std::nullopt},
                         {"28.11.2026", std::nullopt},
                         {"", std::nullopt}}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Parse_Utc_Time(text), seconds);
  }
  EXPECT_EQ(Format_Utc_Time(kNov28 + 33245), "2026-11-28T09:14:05Z");
}

TEST(ParseExportLine, TakesFramesWithTheirTime) {
  const auto frame = Parse_Export_Line("2026-11-28 09:14:05|C0802a00022c03\r");
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->time, kNov28 + 33245);
  EXPECT_EQ(frame->bytes, (std::vector<std::uint8_t>{0, 0xC0, 0x80, 0x2A, 0, 0x02, 0x2C, 0x03}));
  for (const std::string& bad : std::vector<std::string>{
           "2026-11-28 09:14:05|C08", "2026-11-28 09:14:05|", "2026-11-28 09:14:05|zz",
           "2026-11-28 09:14:05 C0", "yesterday|C080", "2026-11-28|" + std::string(1024, 'A')}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(Parse_Export_Line(bad));
  }
}

TEST(DefaultArchivePath, UsesTheDataFolder) {
  EXPECT_EQ(Default_Archive_Path("/x/data", "/home/u"), "/x/data/orvelt/archive.sqlite");
  EXPECT_EQ(Default_Archive_Path("", "/home/u"), "/home/u/.local/share/orvelt/archive.sqlite");
  EXPECT_EQ(Default_Archive_Path("rel", "/home/u"), "/home/u/.local/share/orvelt/archive.sqlite");
}

TEST(NetworkFetchRules, LinksServersAndAnswers) {
  struct LinkCase {
    std::string header;
    std::optional<std::string> next;
  };
  for (const auto& [header, next] : std::vector<LinkCase>{
           {"<https://a/p?c=2>; rel=\"next\"", "https://a/p?c=2"},
           {"<https://a/p?c=1>; rel=\"prev\", <https://a/p?c=3>; rel=\"next\"", "https://a/p?c=3"},
           {"<https://a/p?c=3> ; title=\"x\" ; rel=next", "https://a/p?c=3"},
           {"<https://a/p?c=1; rel=\"next\"", std::nullopt}}) {
    SCOPED_TRACE(header);
    EXPECT_EQ(Next_Link(header), next);
  }
  EXPECT_TRUE(Same_Server("https://DB.example/api/?x", "https://db.example"));
  EXPECT_TRUE(Same_Server("https://db.example:443/api", "https://db.example"));
  EXPECT_TRUE(Same_Server("http://127.0.0.1:8080/a", "http://127.0.0.1:8080"));
  for (const char* other : {"http://db.example/api", "https://db.example.evil/api",
                            "https://db.example@evil/api", "https://db.example:444/", "x"}) {
    SCOPED_TRACE(other);
    EXPECT_FALSE(Same_Server(other, "https://db.example"));
  }
  // Only a throttled or busy server is waited for; anything else not a page ends the fetch.
  EXPECT_EQ(Classify_Fetch_Answer(503), FetchAnswer::Wait);
  for (const int status : {0, 204, 302, 500})
    EXPECT_EQ(Classify_Fetch_Answer(status), FetchAnswer::Failed);
  EXPECT_EQ(Retry_After_Seconds(" 30 "), 30);
  EXPECT_FALSE(Retry_After_Seconds("Wed, 21 Oct 2026 07:28:00 GMT"));
  EXPECT_FALSE(Retry_After_Seconds("-1"));
}

TEST(ParseTelemetryPage, KeepsUsableFramesAndRefusesWhatIsNoPage) {
  const auto page = Parse_Telemetry_Page(
      R"([{"frame": "C080", "timestamp": "2026-11-28T00:00:05Z", "observer": "DL0ABC-JO62",
           "extra": {"nested": [1, 2.5e3, true, null, "x\"y"]}},
          {"frame": "zz", "timestamp": "2026-11-28T00:00:06Z"},
          {"timestamp": "2026-11-28T00:00:07Z"},
          {"frame": "C0", "timestamp": "now"},
          {"frame": "C0", "timestamp": "2026-11-28T00:00:08Z", "observer": "A\u00e9\n"},
          42])");
  ASSERT_TRUE(page);
  ASSERT_EQ(page->entries.size(), 2u);
  EXPECT_EQ(page->entries[0].bytes, (std::vector<std::uint8_t>{0, 0xC0, 0x80}));
  EXPECT_EQ(page->entries[0].time, kNov28 + 5);
  EXPECT_EQ(page->entries[0].observer, "DL0ABC-JO62");
  EXPECT_EQ(page->entries[1].observer, "A?\n");
  EXPECT_EQ(page->unusable, 4);
  EXPECT_TRUE(Parse_Telemetry_Page(" [ ] ")->entries.empty());
  for (const std::string& bad :
       std::vector<std::string>{"", "{}", "[", "[{\"frame\": \"C0\"", "[1,]", "[] x",
                                std::string(100, '[') + std::string(100, ']')}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(Parse_Telemetry_Page(bad));
  }
}

}  // namespace
}  // namespace orvelt

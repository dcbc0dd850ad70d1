#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "archive/archive_place.hpp"
#include "archive/network_fetch_rules.hpp"
#include "archive/passes.hpp"
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
                         {"2026-11-28 09:14", kNov28 + 9 * 3600 + 14 * 60},
                         {"2026-11-28 09:14:05", kNov28 + 33245},
                         {"2026-11-28T09:14:05Z", kNov28 + 33245},
                         {"2026-11-28T09:14:05.123456Z", kNov28 + 33245},
                         {"2026-11-28T09:14:05+00:00", kNov28 + 33245},
                         {"2026-11-28T11:14:05+02:00", kNov28 + 33245},
                         {"2026-11-28T08:14:05-01:00", kNov28 + 33245},
                         {"1969-12-31T23:59:59Z", -1},
                         {"2026-02-29", std::nullopt},
                         {"2026-11-28T24:00:00Z", std::nullopt},
                         {"2026-11-28T09:60:00Z", std::nullopt},
                         {"2026-11-28T09:14:05.Z", std::nullopt},
                         {"2026-11-28T09:14:05+0200", std::nullopt},
                         {"2026-11-28x", std::nullopt},
                         {"28.11.2026", std::nullopt},
                         {"", std::nullopt}}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Parse_Utc_Time(text), seconds);
  }
  EXPECT_EQ(Format_Utc_Time(kNov28 + 33245), "2026-11-28T09:14:05Z");
}

TEST(PassFinder, SplitsAtTenMinutesOfSilence) {
  PassFinder finder;
  const UtcSeconds t = kNov28;
  finder.Add({t, t + 59, 10});
  finder.Add({t + 60, t + 61, 2});           // next minute: same pass
  finder.Add({t + 61 + 599, t + 700, 3});    // 599 s later: same pass
  finder.Add({t + 700 + 600, t + 1300, 1});  // 600 s later: a new pass
  finder.Add({t + 5000, t + 5000, 0});       // no frames: no pass
  const std::vector<PassSpan>& passes = finder.passes();
  ASSERT_EQ(passes.size(), 2u);
  EXPECT_EQ(passes[0].start, t);
  EXPECT_EQ(passes[0].end, t + 700);
  EXPECT_EQ(passes[0].frames, 15);
  EXPECT_EQ(passes[1].start, t + 1300);
  EXPECT_EQ(passes[1].frames, 1);
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
  const std::string line = "2026-11-28T09:14:05Z|C080\n";
  EXPECT_TRUE(Is_Frame_Export({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()}));
  const std::uint8_t capture[] = {0xC0, 0x09, '2', '0', 0xC0};
  EXPECT_FALSE(Is_Frame_Export(capture));
}

TEST(DefaultArchivePath, UsesTheDataFolder) {
  EXPECT_EQ(Default_Archive_Path("/x/data", "/home/u"), "/x/data/orvelt/archive.sqlite");
  EXPECT_EQ(Default_Archive_Path("", "/home/u"), "/home/u/.local/share/orvelt/archive.sqlite");
  EXPECT_EQ(Default_Archive_Path("rel", "/home/u"), "/home/u/.local/share/orvelt/archive.sqlite");
}

TEST(NetworkFetchRules, LinksServersAndAnswers) {
  EXPECT_EQ(Telemetry_Query_Url("https://db.example/", 99999, kNov28, kNov28 + 60),
            "https://db.example/api/telemetry/?satellite=99999&start=2026-11-28T00:00:00Z"
            "&end=2026-11-28T00:01:00Z");
  struct LinkCase {
    std::string header;
    std::optional<std::string> next;
  };
  for (const auto& [header, next] : std::vector<LinkCase>{
           {"<https://a/p?c=2>; rel=\"next\"", "https://a/p?c=2"},
           {"<https://a/p?c=1>; rel=\"prev\", <https://a/p?c=3>; rel=\"next\"", "https://a/p?c=3"},
           {"<https://a/p?c=3> ; title=\"x\" ; rel=next", "https://a/p?c=3"},
           {"<https://a/p?c=1>; rel=\"prev\"", std::nullopt},
           {"", std::nullopt},
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
  for (const auto& [status, answer] :
       std::vector<std::pair<int, FetchAnswer>>{{200, FetchAnswer::Page},
                                                {429, FetchAnswer::Wait},
                                                {503, FetchAnswer::Wait},
                                                {401, FetchAnswer::TokenRefused},
                                                {403, FetchAnswer::TokenRefused},
                                                {0, FetchAnswer::Failed},
                                                {204, FetchAnswer::Failed},
                                                {302, FetchAnswer::Failed},
                                                {500, FetchAnswer::Failed}}) {
    EXPECT_EQ(Classify_Fetch_Answer(status), answer) << status;
  }
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

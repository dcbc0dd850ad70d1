#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"
#include "archive/archive_place.hpp"
#include "archive/network_fetch_rules.hpp"
#include "archive/satnogs_export.hpp"
#include "archive/utc_time.hpp"
#include "support/scratch_dir.hpp"

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
  // Spaces between the bytes, as some stations send them.
  EXPECT_EQ(Parse_Export_Line("2026-11-28 09:14:05|C0 80 2a 00 02  2c 03")->bytes, frame->bytes);
  for (const std::string& bad : std::vector<std::string>{
           "2026-11-28 09:14:05|C08", "2026-11-28 09:14:05|C 080", "2026-11-28 09:14:05| ",
           "2026-11-28 09:14:05|", "2026-11-28 09:14:05|zz", "2026-11-28 09:14:05 C0",
           "yesterday|C080", "2026-11-28|" + std::string(1024, 'A')}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(Parse_Export_Line(bad));
  }
}

TEST(DefaultArchivePath, UsesTheDataFolder) {
  EXPECT_EQ(Default_Archive_Path("/x/data", "/home/u"), "/x/data/orvelt/archive.sqlite");
  EXPECT_EQ(Default_Archive_Path("", "/home/u"), "/home/u/.local/share/orvelt/archive.sqlite");
  EXPECT_EQ(Default_Archive_Path("rel", "/home/u"), "/home/u/.local/share/orvelt/archive.sqlite");
}

TEST(NetworkFetchRules, AnswersTokensTimesAndTheTimeLeft) {
  // Only a throttled or busy server is waited for; a 404 to the first request is about the
  // satellite, to a later one about its page.
  const std::pair<std::pair<int, bool>, FetchAnswer> answers[] = {
      {{200, true}, FetchAnswer::Page},          {{429, false}, FetchAnswer::Wait},
      {{503, true}, FetchAnswer::Wait},          {{401, true}, FetchAnswer::TokenRefused},
      {{403, false}, FetchAnswer::TokenRefused}, {{404, true}, FetchAnswer::UnknownSatellite},
      {{404, false}, FetchAnswer::Failed},       {{0, true}, FetchAnswer::Failed},
      {{204, true}, FetchAnswer::Failed},        {{302, true}, FetchAnswer::Failed},
      {{500, false}, FetchAnswer::Failed},
  };
  for (const auto& [asked, answer] : answers) {
    EXPECT_EQ(Classify_Fetch_Answer(asked.first, asked.second), answer) << asked.first;
  }
  EXPECT_TRUE(Check_Token("0123456789abcdef0123456789abcdef01234567"));
  for (const char* token : {"", "abc\r\nX-Evil: 1", "abc\n", "\tabc"}) {
    EXPECT_FALSE(Check_Token(token)) << token;
  }
  EXPECT_EQ(Parse_Utc_Time("1957-01-01 00:00:00"), kFirstUsableFrameTime);
  EXPECT_TRUE(Is_Usable_Frame_Time(kFirstUsableFrameTime, kNov28));
  EXPECT_TRUE(Is_Usable_Frame_Time(kNov28 + 86400, kNov28));
  EXPECT_FALSE(Is_Usable_Frame_Time(kFirstUsableFrameTime - 1, kNov28));
  EXPECT_FALSE(Is_Usable_Frame_Time(kNov28 + 86401, kNov28));
  // Read down from `to` to the half of the range in 60 s: as long again for the other half.
  const struct {
    UtcSeconds from, to;
    std::optional<UtcSeconds> oldest;
    std::int64_t elapsed_ms;
    const char* left;
  } estimates[] = {
      {0, 1000, 500, 60'000, "about 1 min"},
      {0, 1000, 900, 60'000, "about 9 min"},
      {0, 1000, 0, 60'000, "about 1 s"},
      {0, 1000, -50, 60'000, "about 1 s"},
      {0, 86400, 86390, 100'000, "more than 2 days"},
      {0, 3600, 1800, 7'800'000, "about 2 h 10 min"},
      {0, 1000, std::nullopt, 60'000, "-"},
  };
  for (const auto& e : estimates) {
    const auto left = Fetch_Seconds_Left(e.from, e.to, e.oldest, e.elapsed_ms);
    EXPECT_EQ(left ? Duration_Text(*left) : "-", e.left);
  }
}

// Frames of one second come back in the order they were added, over two batches, whatever
// their bytes.
TEST(ArchiveFrameOrder, FramesOfOneSecondKeepTheirOrder) {
  testing::ScratchDir dir;
  auto archive = Archive::Open(dir / "archive.sqlite").value();
  std::string wanted;
  for (const char* tags : {"FEDC", "BA98"}) {
    TelemetryPage page;
    for (const char* t = tags; *t != '\0'; ++t) {
      const auto tag = static_cast<std::uint8_t>(*t - (*t > '9' ? 'A' - 10 : '0'));
      page.entries.push_back({{0x00, 0xC0, 0x80, 0, 0, 0x02, 0x2C, 3, 0, tag}, kNov28, "DL0ABC"});
      wanted += *t;
    }
    ArchiveLoad load;
    ASSERT_TRUE(Add_Network_Page(*archive, page, load));
  }
  std::string read;
  ASSERT_TRUE(
      archive
          ->For_Each_Frame(kNov28, kNov28,
                           [&](UtcSeconds, auto bytes) { read += "0123456789ABCDEF"[bytes[9]]; })
          .ok());
  EXPECT_EQ(read, wanted);
}

}  // namespace
}  // namespace orvelt

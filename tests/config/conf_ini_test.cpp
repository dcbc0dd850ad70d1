#include "config/conf_ini.hpp"
#include "support/scratch_dir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvelt {
namespace {

constexpr const char* kNoEquals = "setting without \"=\"";
constexpr std::nullopt_t kSame = std::nullopt;   // the button keeps what it showed before
constexpr std::nullopt_t kUnset = std::nullopt;  // no IMAGE_PATH line
const std::string kBom = "\xEF\xBB\xBF";

TEST(ApplyConfIniText, AppliesLinesInOrderUpToTheFirstFaultyOne) {
  struct Case {
    std::string text;
    std::optional<std::string> image_path;  // expected afterwards
    std::optional<bool> button;             // expected afterwards
    int error_line = -1;                    // -1: no error; 0: the file as a whole
  };
  const std::vector<Case> cases = {
      {"# settings\r\n\r\nscreenshot = yes\r\nImage_Path=d:\\shots\\\r\n", "d:\\shots\\", true},
      {"SCREENSHOT=NO", kUnset, false},
      {"SCREENSHOT=no\r\nScreenShot=yEs\r\n", kUnset, true},  // last line wins
      {"SCREENSHOT=YES # on", kUnset, false},                 // the comment is part of the value
      {"\tSCREENSHOT=NO", kUnset, kSame},
      {"  #SCREENSHOT=NO", kUnset, kSame},  // a comment starts in the first column only
      {"  # note\r\n", kUnset, kSame, 1},
      {"COLOUR=RED\r\nSCREENSHOTS=NO\r\nHEXFILE=no\r\n", kUnset, kSame},
      {"IMAGE_PATH=C:\\A=B\\", "C:\\A=B\\", kSame},
      {"  IMAGE_PATH  =  C:\\My Shots\\  ", "C:\\My Shots\\", kSame},
      {"IMAGE_PATH=/a/\nSCREENSHOT=NO\nIMAGE_PATH=/b/\n", "/b/", false},
      {"# settings\rSCREENSHOT=NO\rIMAGE_PATH=/srv/shots/\r", "/srv/shots/", false},
      {"", kUnset, kSame, 0},
      {"SCREENSHOT=NO\r\n   \r\nIMAGE_PATH=/x/\r\n", kUnset, false, 2},
      {"A=1\r\n\n\rbad", kUnset, kSame, 4},  // CR LF, LF and CR each end one line
      // A byte-order mark is not part of the first line, and does not count as one.
      {kBom + "SCREENSHOT=NO\r\n", kUnset, false},
      {kBom + "# settings\r\nno equals\r\n", kUnset, kSame, 2},
      {kBom, kUnset, kSame, 0},
      {"HEXFILE=NO\r\n" + kBom + "SCREENSHOT=NO\r\n", kUnset, kSame},  // only at the start
  };
  for (const Case& c : cases) {
    for (const bool shown_before : {true, false}) {
      SCOPED_TRACE(::testing::PrintToString(c.text) + (shown_before ? " shown" : " hidden"));
      Configuration config{std::nullopt, shown_before};

      const Outcome applied = Apply_Conf_Ini_Text(c.text, config);

      EXPECT_EQ(applied.ok(), c.error_line < 0);
      EXPECT_EQ(applied.why(),
                c.error_line < 0 ? ""
                : c.error_line == 0
                    ? "conf.ini: file is empty"
                    : "conf.ini, line " + std::to_string(c.error_line) + ": " + kNoEquals);
      EXPECT_EQ(config.ImagePath, c.image_path);
      EXPECT_EQ(config.screenshot_button, c.button.value_or(shown_before));
    }
  }
}

TEST(ResolveImagePath, RelativeValuesStartAtTheFolderOfTheirConfIni) {
  struct Case {
    std::string value;
    std::string conf_folder;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"/srv/shots/", "/etc/orvelt", "/srv/shots/"},
      {"shots/", "/etc/orvelt", "/etc/orvelt/shots/"},
      {"shots/", "/etc/orvelt/", "/etc/orvelt/shots/"},
      {"../pictures/", "/opt/orvelt", "/opt/orvelt/../pictures/"},
      {"SHOT_", "/etc/orvelt", "/etc/orvelt/SHOT_"},  // a prefix: names follow it directly
      {"", "/etc/orvelt", "/etc/orvelt/"},            // not the current folder
      {"shots/", "/", "/shots/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value + " in " + c.conf_folder);
    EXPECT_EQ(Resolve_Image_Path(c.value, c.conf_folder), c.expected);
  }
}

// A folder gets its separator only when it exists; anything else is a prefix of the names.
TEST(ImagePathPrefix, AFolderOnlyWhenItNamesOne) {
  testing::ScratchDir dir;
  std::filesystem::create_directories(dir / "shots");
  std::ofstream(dir / "file") << "x";
  const std::string base = dir.path().string();
  for (const auto& [value, prefix] : std::vector<std::pair<std::string, std::string>>{
           {base + "/shots", base + "/shots/"},
           {base + "/shots/", base + "/shots/"},
           {base + "/shots/orvelt_", base + "/shots/orvelt_"},
           {base + "/missing", base + "/missing"},
           {base + "/file", base + "/file"},
           {"/", "/"},
           {"", ""},
       }) {
    EXPECT_EQ(Image_Path_Prefix(value), prefix) << value;
  }
}

TEST(ReadConfiguration, ReadsConfIniThenChecksObcOffsetIni) {
  testing::ScratchDir dir;
  const auto path = [&](const char* file) { return (dir / file).string(); };
  const auto not_found = [&](const char* file) { return "not found; looked at " + path(file); };
  struct Case {
    std::optional<std::string> conf_ini, obc_offset;  // nothing: the file is absent
    std::optional<std::string> image_path;
    bool button;
    std::string error = {};  // empty: no error
  };
  const std::vector<Case> cases = {
      {"SCREENSHOT=NO\r\nIMAGE_PATH=/srv/shots/\r\n", "\r\n", "/srv/shots/", false},
      {"IMAGE_PATH=shots/\r\n", "0", path("shots/"), true},
      {std::nullopt, "0", kUnset, true, "conf.ini: " + not_found("conf.ini")},
      {"", "0", kUnset, true, path("conf.ini") + ": file is empty"},
      {"SCREENSHOT=NO\r\nbroken\r\n", "0", kUnset, false,
       path("conf.ini") + ", line 2: " + kNoEquals},
      {"SCREENSHOT=NO\r\n", std::nullopt, kUnset, false,
       "obc_offset.ini: " + not_found("obc_offset.ini")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    dir.Clear();
    if (c.conf_ini) std::ofstream(dir / "conf.ini", std::ios::binary) << *c.conf_ini;
    if (c.obc_offset) std::ofstream(dir / "obc_offset.ini", std::ios::binary) << *c.obc_offset;

    const auto result = Read_Configuration({dir.path()});

    EXPECT_EQ(result.ok(), c.error.empty());
    EXPECT_EQ(result.why(), c.error);
    if (!result) continue;
    EXPECT_EQ(result.value().config.ImagePath, c.image_path);
    EXPECT_EQ(result.value().config.screenshot_button, c.button);
  }
}

// The files shipped with the program must let it start with the button shown.
TEST(ReadConfiguration, ShippedFilesStartWithTheButtonShown) {
  const auto result = Read_Configuration({ORVELT_SHIPPED_CONFIG_DIR});
  ASSERT_TRUE(result.ok()) << result.why();
  EXPECT_EQ(result.value().config.ImagePath, kUnset);
  EXPECT_TRUE(result.value().config.screenshot_button);
}

}  // namespace
}  // namespace orvelt

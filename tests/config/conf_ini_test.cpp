#include "config/conf_ini.hpp"
#include "support/scratch_dir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace orvelt {
namespace {

constexpr std::nullopt_t kUnset = std::nullopt;  // no IMAGE_PATH line; the button as before
const std::string kNoEquals = ": setting without \"=\"", kBom = "\xEF\xBB\xBF";

TEST(ApplyConfIniText, AppliesLinesInOrderUpToTheFirstFaultyOne) {
  struct Case {
    std::string text;
    std::optional<std::string> image_path;
    std::optional<bool> button;
    int error_line = -1;  // -1: no error; 0: the file as a whole
  };
  const std::vector<Case> cases = {
      {"# settings\r\n\r\nscreenshot = yes\r\nImage_Path=d:\\shots\\\r\n", "d:\\shots\\", true},
      {"  # note\r\n", kUnset, kUnset, 1},  // a comment starts in the first column only
      {"  IMAGE_PATH  =  C:\\A=B\\  ", "C:\\A=B\\", kUnset},
      {"IMAGE_PATH=/a/\nSCREENSHOT=NO\nIMAGE_PATH=/b/\n", "/b/", false},
      {"# settings\rSCREENSHOT=NO\rIMAGE_PATH=/srv/shots/\r", "/srv/shots/", false},
      {"", kUnset, kUnset, 0},
      {"SCREENSHOT=NO\r\n   \r\nIMAGE_PATH=/x/\r\n", kUnset, false, 2},
      {"A=1\r\n\n\rbad", kUnset, kUnset, 4},  // CR LF, LF and CR each end one line
      // A byte-order mark is not part of the first line, and does not count as one.
      {kBom + "# settings\r\nno equals\r\n", kUnset, kUnset, 2},
      {kBom, kUnset, kUnset, 0},
  };
  for (const Case& c : cases) {
    for (const bool shown_before : {true, false}) {
      SCOPED_TRACE(::testing::PrintToString(c.text) + (shown_before ? " shown" : " hidden"));
      Configuration config{std::nullopt, shown_before};
      const Outcome applied = Apply_Conf_Ini_Text(c.text, config);
      EXPECT_EQ(applied.why(), c.error_line < 0 ? ""
                               : c.error_line == 0
                                   ? "conf.ini: file is empty"
                                   : "conf.ini, line " + std::to_string(c.error_line) + kNoEquals);
      EXPECT_EQ(config.ImagePath, c.image_path);
      EXPECT_EQ(config.screenshot_button, c.button.value_or(shown_before));
    }
  }
}

// A folder gets its separator only when it exists; anything else is a prefix of the names.
TEST(ImagePathPrefix, AFolderOnlyWhenItNamesOne) {
  testing::ScratchDir dir;
  std::filesystem::create_directories(dir / "shots");
  EXPECT_EQ(Image_Path_Prefix((dir / "shots").string()), (dir / "shots/").string());
  EXPECT_EQ(Image_Path_Prefix((dir / "shot_").string()), (dir / "shot_").string());
}

// A relative IMAGE_PATH starts at the folder of its conf.ini, not at the current folder.
TEST(ReadConfiguration, ReadsConfIniThenChecksObcOffsetIni) {
  testing::ScratchDir dir;
  const auto path = [&](const char* file) { return (dir / file).string(); };
  const std::optional<std::string> absent;
  const struct {
    std::optional<std::string> conf_ini, obc_offset;
    std::string error;  // empty: read, and IMAGE_PATH is relative to the folder
  } cases[] = {
      {"IMAGE_PATH=shots/\r\n", "0", ""},
      {absent, "0", "conf.ini: not found; looked at " + path("conf.ini")},
      {"SCREENSHOT=NO\r\nbroken\r\n", "0", path("conf.ini") + ", line 2" + kNoEquals},
      {"SCREENSHOT=NO\r\n", absent,
       "obc_offset.ini: not found; looked at " + path("obc_offset.ini")},
  };
  for (const auto& c : cases) {
    dir.Clear();
    if (c.conf_ini) std::ofstream(dir / "conf.ini", std::ios::binary) << *c.conf_ini;
    if (c.obc_offset) std::ofstream(dir / "obc_offset.ini", std::ios::binary) << *c.obc_offset;
    const auto result = Read_Configuration({dir.path()});
    EXPECT_EQ(result.why(), c.error);
    if (result) {
      EXPECT_EQ(result.value().config.ImagePath, path("shots/"));
    }
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

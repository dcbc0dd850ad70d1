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

namespace fs = std::filesystem;

constexpr const char* kDefaultPath = "/opt/orvelt/";
constexpr const char* kNoEquals = "setting without \"=\"";
constexpr std::nullopt_t kSame = std::nullopt;  // the button keeps what it showed before

TEST(ApplyConfIniText, AppliesLinesInOrderUpToTheFirstFaultyOne) {
  struct Case {
    std::string text;
    std::string image_path;      // expected afterwards
    std::optional<bool> button;  // expected afterwards
    int error_line = -1;         // -1: no error; 0: the file as a whole
  };
  const std::vector<Case> cases = {
      {"# settings\r\n\r\nscreenshot = yes\r\nImage_Path=d:\\shots\\\r\n", "d:\\shots\\", true},
      {"SCREENSHOT=NO", kDefaultPath, false},
      {"SCREENSHOT=no\r\nScreenShot=yEs\r\n", kDefaultPath, true},  // last line wins
      {"SCREENSHOT=YES # on", kDefaultPath, false},  // the comment is part of the value
      {"SCREENSHOT=YES\t", kDefaultPath, false},     // only blanks are padding
      {"\tSCREENSHOT=NO", kDefaultPath, kSame},
      {"  #SCREENSHOT=NO", kDefaultPath, kSame},  // a comment starts in the first column only
      {"  # note\r\n", kDefaultPath, kSame, 1},
      {"=YES\r\n=NO\r\n", kDefaultPath, kSame},
      {"COLOUR=RED\r\nSCREENSHOTS=NO\r\nHEXFILE=no\r\n", kDefaultPath, kSame},
      {"IMAGE_PATH=C:\\A=B\\", "C:\\A=B\\", kSame},
      {"  IMAGE_PATH  =  C:\\My Shots\\  ", "C:\\My Shots\\", kSame},
      {"IMAGE_PATH=   ", "", kSame},
      {"IMAGE_PATH=/a/\nSCREENSHOT=NO\nIMAGE_PATH=/b/\n", "/b/", false},
      {"# settings\rSCREENSHOT=NO\rIMAGE_PATH=/srv/shots/\r", "/srv/shots/", false},
      {"\r\n", kDefaultPath, kSame},
      {"", kDefaultPath, kSame, 0},
      {"SCREENSHOT=NO\r\n   \r\nIMAGE_PATH=/x/\r\n", kDefaultPath, false, 2},
      {"A=1\r\n\n\rbad", kDefaultPath, kSame, 4},  // CR LF, LF and CR each end one line
  };
  for (const Case& c : cases) {
    for (const bool shown_before : {true, false}) {
      SCOPED_TRACE(::testing::PrintToString(c.text) + (shown_before ? " shown" : " hidden"));
      Configuration config{kDefaultPath, shown_before};

      const auto error = Apply_Conf_Ini_Text(c.text, config);

      if (c.error_line < 0) {
        EXPECT_FALSE(error.has_value()) << error->message();
      } else {
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->file, "conf.ini");
        EXPECT_EQ(error->line, c.error_line);
        EXPECT_EQ(error->reason, c.error_line == 0 ? "file is empty" : kNoEquals);
      }
      EXPECT_EQ(config.ImagePath, c.image_path);
      EXPECT_EQ(config.screenshot_button, c.button.value_or(shown_before));
    }
  }
}

TEST(ConfigErrorMessage, NamesFileLineAndReason) {
  EXPECT_EQ((ConfigError{"conf.ini", 3, kNoEquals}.message()),
            "conf.ini, line 3: setting without \"=\"");
  EXPECT_EQ((ConfigError{"obc_offset.ini", 0, "file is empty"}.message()),
            "obc_offset.ini: file is empty");
}

TEST(ReadConfiguration, ReadsConfIniThenChecksObcOffsetIni) {
  testing::ScratchDir dir;
  const auto not_found = [&](const char* file) { return "not found at " + (dir / file).string(); };
  struct Case {
    std::optional<std::string> conf_ini, obc_offset;  // nothing: the file is absent
    std::string image_path;
    bool button;
    std::string error_file = {};  // empty: no error
    std::string error_reason = {};
  };
  const std::vector<Case> cases = {
      {"SCREENSHOT=NO\r\nIMAGE_PATH=/srv/shots/\r\n", "\r\n", "/srv/shots/", false},
      {std::nullopt, "0", kDefaultPath, true, "conf.ini", not_found("conf.ini")},
      {"", "0", kDefaultPath, true, "conf.ini", "file is empty"},
      {"SCREENSHOT=NO\r\n", std::nullopt, kDefaultPath, false, "obc_offset.ini",
       not_found("obc_offset.ini")},
      {"SCREENSHOT=NO\r\n", "", kDefaultPath, false, "obc_offset.ini", "file is empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error_file + ": " + c.error_reason);
    dir.Clear();
    if (c.conf_ini) std::ofstream(dir / "conf.ini", std::ios::binary) << *c.conf_ini;
    if (c.obc_offset) std::ofstream(dir / "obc_offset.ini", std::ios::binary) << *c.obc_offset;

    const auto result = Read_Configuration(dir.path(), kDefaultPath);

    if (c.error_file.empty()) {
      EXPECT_FALSE(result.error.has_value()) << result.error->message();
    } else {
      ASSERT_TRUE(result.error.has_value());
      EXPECT_EQ(result.error->file, c.error_file);
      EXPECT_EQ(result.error->line, 0);
      EXPECT_EQ(result.error->reason, c.error_reason);
    }
    EXPECT_EQ(result.config.ImagePath, c.image_path);
    EXPECT_EQ(result.config.screenshot_button, c.button);
  }
}

// The files shipped next to the program must let it start with the button shown.
TEST(ReadConfiguration, ShippedFilesStartWithTheButtonShown) {
  const auto result = Read_Configuration(ORVELT_SHIPPED_CONFIG_DIR, kDefaultPath);
  EXPECT_FALSE(result.error.has_value()) << result.error->message();
  EXPECT_EQ(result.config.ImagePath, kDefaultPath);
  EXPECT_TRUE(result.config.screenshot_button);
}

}  // namespace
}  // namespace orvelt

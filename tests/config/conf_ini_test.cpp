#include "config/conf_ini.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>

namespace orvelt {
namespace {

constexpr const char* kDefaultPath = "/opt/orvelt/";
constexpr int kNoError = -1;

struct ConfIniCase {
  const char* name;
  std::string text;
  std::string image_path;  // expected ImagePath afterwards
  bool button;             // expected visibility of the screenshot button
  int error_line = kNoError;
  std::string error_reason = {};
};

// Keeps test listings readable: a case shows as its name, not as a byte dump.
void PrintTo(const ConfIniCase& c, std::ostream* os) {
  *os << c.name;
}

const std::string kNoEquals = "setting without \"=\"";

class ApplyConfIniText : public testing::TestWithParam<ConfIniCase> {};

TEST_P(ApplyConfIniText, GivesSettingsOrError) {
  const auto& c = GetParam();
  Configuration config{kDefaultPath, true};

  const auto error = Apply_Conf_Ini_Text(c.text, config);

  if (c.error_line == kNoError) {
    EXPECT_FALSE(error.has_value()) << error->message();
  } else {
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->file, "conf.ini");
    EXPECT_EQ(error->line, c.error_line);
    EXPECT_EQ(error->reason, c.error_reason);
  }
  EXPECT_EQ(config.ImagePath, c.image_path);
  EXPECT_EQ(config.screenshot_button, c.button);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyConfIniText,
    testing::Values(
        ConfIniCase{"CrLfFileKeepsPathAsWritten",
                    "# settings\r\n\r\nscreenshot = yes\r\nImage_Path=d:\\shots\\\r\n",
                    "d:\\shots\\", true},
        ConfIniCase{"YesInAnyCaseShowsAfterNo", "SCREENSHOT=no\r\nScreenShot=yEs\r\n", kDefaultPath,
                    true},
        ConfIniCase{"NoHides", "SCREENSHOT=NO", kDefaultPath, false},
        ConfIniCase{"AnyValueButYesHides", "SCREENSHOT=TRUE\r\n", kDefaultPath, false},
        ConfIniCase{"TrailingCommentIsPartOfValue", "SCREENSHOT=YES # on", kDefaultPath, false},
        ConfIniCase{"TabAfterValueIsPartOfValue", "SCREENSHOT=NO\r\nSCREENSHOT=YES\t\r\n",
                    kDefaultPath, false},
        ConfIniCase{"HashAfterSpacesIsAKey", "  #SCREENSHOT=NO", kDefaultPath, true},
        ConfIniCase{"IndentedHashWithoutEqualsIsError", "  # note\r\n", kDefaultPath, true, 1,
                    kNoEquals},
        ConfIniCase{"TabBeforeKeyIsPartOfKey", "\tSCREENSHOT=NO", kDefaultPath, true},
        ConfIniCase{"EmptyKeyChangesNothing", "=YES\r\n=NO\r\n", kDefaultPath, true},
        ConfIniCase{"UnknownKeyIgnored", "COLOUR=RED\r\nSCREENSHOTS=NO\r\n", kDefaultPath, true},
        ConfIniCase{"HexfileHasNoEffect", "HEXFILE=YES\r\nhexfile=no\r\n", kDefaultPath, true},
        ConfIniCase{"SplitAtFirstEquals", "IMAGE_PATH=C:\\A=B\\", "C:\\A=B\\", true},
        ConfIniCase{"PathTrimsOuterSpacesOnly", "  IMAGE_PATH  =  C:\\My Shots\\  ",
                    "C:\\My Shots\\", true},
        ConfIniCase{"PathWithoutFinalSeparatorKept", "IMAGE_PATH=C:\\SHOTS", "C:\\SHOTS", true},
        ConfIniCase{"EmptyPathValueIsApplied", "IMAGE_PATH=   ", "", true},
        ConfIniCase{"LastLineWinsShown", "SCREENSHOT=NO\r\nSCREENSHOT=YES\r\n", kDefaultPath, true},
        ConfIniCase{"LastLineWinsHidden", "SCREENSHOT=YES\r\nSCREENSHOT=NO\r\n", kDefaultPath,
                    false},
        ConfIniCase{"LastPathWins", "IMAGE_PATH=/a/\r\nIMAGE_PATH=/b/\r\n", "/b/", true},
        ConfIniCase{"LfLineEnds", "# settings\nSCREENSHOT=NO\nIMAGE_PATH=/srv/shots/\n",
                    "/srv/shots/", false},
        ConfIniCase{"CrLineEnds", "# settings\rSCREENSHOT=NO\rIMAGE_PATH=/srv/shots/\r",
                    "/srv/shots/", false},
        ConfIniCase{"CommentWithoutEqualsIsNoError", "# nothing to set\r\nSCREENSHOT=NO",
                    kDefaultPath, false},
        ConfIniCase{"OnlyALineEndIsOneEmptyLine", "\r\n", kDefaultPath, true},
        ConfIniCase{"EmptyFile", "", kDefaultPath, true, 0, "file is empty"},
        ConfIniCase{"LineOfSpaces", "SCREENSHOT=NO\r\n   \r\nIMAGE_PATH=/x/\r\n", kDefaultPath,
                    false, 2, kNoEquals},
        ConfIniCase{"LineOfSpacesAtEndWithoutLineEnd", "SCREENSHOT=NO\r\n ", kDefaultPath, false, 2,
                    kNoEquals},
        ConfIniCase{"LineOfTab", "\t\r\n", kDefaultPath, true, 1, kNoEquals},
        ConfIniCase{"KnownKeyWithoutEquals", "HEXFILE\r\n", kDefaultPath, true, 1, kNoEquals},
        ConfIniCase{"ErrorStopsBeforeLaterLines", "garbage\r\nSCREENSHOT=NO\r\n", kDefaultPath,
                    true, 1, kNoEquals},
        ConfIniCase{"CrLfCountsAsOneLineEnd", "A=1\r\n\r\nbad\r\n", kDefaultPath, true, 3,
                    kNoEquals},
        ConfIniCase{"CrCountsAsOneLineEnd", "A=1\r\rbad", kDefaultPath, true, 3, kNoEquals},
        ConfIniCase{"LfCountsAsOneLineEnd", "A=1\n\nbad", kDefaultPath, true, 3, kNoEquals},
        ConfIniCase{"MixedLineEnds", "A=1\r\n\n\rbad", kDefaultPath, true, 4, kNoEquals}),
    [](const testing::TestParamInfo<ConfIniCase>& info) { return info.param.name; });

struct ObcOffsetCase {
  const char* name;
  std::string text;
  bool error;
};

void PrintTo(const ObcOffsetCase& c, std::ostream* os) {
  *os << c.name;
}

class CheckObcOffsetText : public testing::TestWithParam<ObcOffsetCase> {};

TEST_P(CheckObcOffsetText, RejectsOnlyEmptyFile) {
  const auto& c = GetParam();
  const auto error = Check_Obc_Offset_Text(c.text);
  ASSERT_EQ(error.has_value(), c.error);
  if (error) {
    EXPECT_EQ(error->file, "obc_offset.ini");
    EXPECT_EQ(error->line, 0);
    EXPECT_EQ(error->reason, "file is empty");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckObcOffsetText,
                         testing::Values(ObcOffsetCase{"Empty", "", true},
                                         ObcOffsetCase{"Number", "0", false},
                                         ObcOffsetCase{"NumberWithLineEnd", "-12.5\r\n", false},
                                         ObcOffsetCase{"QuotedTextAndMore", "\"abc\",1\r\n", false},
                                         ObcOffsetCase{"OnlyALineEnd", "\r\n", false}),
                         [](const testing::TestParamInfo<ObcOffsetCase>& info) {
                           return info.param.name;
                         });

TEST(ConfigErrorMessage, NamesFileLineAndReason) {
  EXPECT_EQ((ConfigError{"conf.ini", 3, "setting without \"=\""}.message()),
            "conf.ini, line 3: setting without \"=\"");
  EXPECT_EQ((ConfigError{"obc_offset.ini", 0, "file is empty"}.message()),
            "obc_offset.ini: file is empty");
}

// A fresh program directory per test, removed afterwards.
class ProgramDir {
 public:
  ProgramDir() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    // Parameterised test names hold a "/", which must not become a subdirectory.
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (auto& ch : name) {
      if (ch == '/') ch = '_';
    }
    path_ = std::filesystem::temp_directory_path() /
            ("orvelt_config_" + name + "_" + std::to_string(stamp));
    std::filesystem::create_directories(path_);
  }
  ~ProgramDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ProgramDir(const ProgramDir&) = delete;
  ProgramDir& operator=(const ProgramDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void Write(const char* name, const std::string& contents) const {
    std::ofstream(path_ / name, std::ios::binary) << contents;
  }

 private:
  std::filesystem::path path_;
};

struct ReadCase {
  const char* name;
  std::optional<std::string> conf_ini;    // nullopt: file absent
  std::optional<std::string> obc_offset;  // nullopt: file absent
  std::string image_path;
  bool button;
  std::string error_file = {};  // empty: no error expected
  int error_line = 0;
  std::string error_reason_start = {};
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadConfiguration : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadConfiguration, ReadsBothFiles) {
  const auto& c = GetParam();
  ProgramDir dir;
  if (c.conf_ini) dir.Write("conf.ini", *c.conf_ini);
  if (c.obc_offset) dir.Write("obc_offset.ini", *c.obc_offset);

  const auto result = Read_Configuration(dir.path(), kDefaultPath);

  if (c.error_file.empty()) {
    EXPECT_FALSE(result.error.has_value()) << result.error->message();
  } else {
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->file, c.error_file);
    EXPECT_EQ(result.error->line, c.error_line);
    EXPECT_EQ(result.error->reason.rfind(c.error_reason_start, 0), 0u) << result.error->reason;
  }
  EXPECT_EQ(result.config.ImagePath, c.image_path);
  EXPECT_EQ(result.config.screenshot_button, c.button);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadConfiguration,
    testing::Values(
        ReadCase{"GoodFiles", "SCREENSHOT=NO\r\nIMAGE_PATH=/srv/shots/\r\n", "0\r\n", "/srv/shots/",
                 false},
        ReadCase{"DefaultPathKeptWithoutImagePath", "SCREENSHOT=YES\r\n", "0", kDefaultPath, true},
        ReadCase{"MissingConfIni", std::nullopt, "0", kDefaultPath, true, "conf.ini", 0,
                 "not found at "},
        ReadCase{"EmptyConfIni", "", "0", kDefaultPath, true, "conf.ini", 0, "file is empty"},
        ReadCase{"BadConfIniLine", "SCREENSHOT=NO\r\nHEXFILE\r\n", "0", kDefaultPath, false,
                 "conf.ini", 2, kNoEquals},
        ReadCase{"MissingObcOffset", "SCREENSHOT=NO\r\n", std::nullopt, kDefaultPath, false,
                 "obc_offset.ini", 0, "not found at "},
        ReadCase{"EmptyObcOffset", "SCREENSHOT=NO\r\n", "", kDefaultPath, false, "obc_offset.ini",
                 0, "file is empty"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST(ReadConfigurationFailure, MissingFileNamesItsPath) {
  ProgramDir dir;
  const auto result = Read_Configuration(dir.path(), kDefaultPath);
  ASSERT_TRUE(result.error.has_value());
  EXPECT_NE(result.error->reason.find((dir.path() / "conf.ini").string()), std::string::npos)
      << result.error->reason;
}

TEST(ReadConfigurationFailure, DirectoryInPlaceOfFileCannotBeOpened) {
  ProgramDir dir;
  std::filesystem::create_directory(dir.path() / "conf.ini");
  dir.Write("obc_offset.ini", "0");
  const auto result = Read_Configuration(dir.path(), kDefaultPath);
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.error->file, "conf.ini");
  EXPECT_EQ(result.error->reason.rfind("cannot open ", 0), 0u) << result.error->reason;
}

// The files shipped next to the program must let it start with the button shown.
TEST(ShippedConfiguration, StartsWithButtonShown) {
  const auto result = Read_Configuration(ORVELT_SHIPPED_CONFIG_DIR, kDefaultPath);
  EXPECT_FALSE(result.error.has_value()) << result.error->message();
  EXPECT_EQ(result.config.ImagePath, kDefaultPath);
  EXPECT_TRUE(result.config.screenshot_button);
}

}  // namespace
}  // namespace orvelt

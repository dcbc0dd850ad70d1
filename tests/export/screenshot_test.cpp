#include "export/screenshot.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "export/screenshot_name.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

struct Started {
  std::string program;
  std::vector<std::string> args;
};

struct PngCall {
  fs::path bitmap;
  fs::path png;
  int red, green, blue;
};

// A platform that writes small stand-in files, so that the handler's file handling is seen.
class ScriptedPlatform : public Platform {
 public:
  std::string save_failure;  // returned by Save_Window_Bitmap when not empty
  bool converter_installed = true;
  std::string png_failure;

  std::vector<fs::path> saved;
  std::vector<Started> started;
  std::vector<PngCall> png_calls;

  std::optional<std::string> Show_Open_Dialog(const OpenDialogSettings&) override { return {}; }
  void Message_Box(const std::string&) override {}
  std::uint16_t Async_Key_State(AsyncKey) override { return 0; }
  std::string Decimal_Separator() override { return "."; }
  std::string Format_Short_Date(const CivilDateTime&) override { return {}; }
  std::string Format_Long_Time(const CivilDateTime&) override { return {}; }
  fs::path Program_Directory() override { return {}; }

  std::string Save_Window_Bitmap(const fs::path& path) override {
    saved.push_back(path);
    if (!save_failure.empty()) return save_failure;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "BMnew";
    return {};
  }
  std::string Write_Png(const fs::path& bitmap, const fs::path& png, std::uint8_t red,
                        std::uint8_t green, std::uint8_t blue) override {
    png_calls.push_back({bitmap, png, red, green, blue});
    if (!png_failure.empty()) return png_failure;
    std::ofstream(png, std::ios::binary) << "\x89PNG";
    return {};
  }
  bool Start_Program(const std::string& program, const std::vector<std::string>& args) override {
    started.push_back({program, args});
    return converter_installed;
  }
};

class Command1ClickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("orvelt_shot_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "data");
    fs::create_directories(dir_ / "my shots");
    app_.ImagePath = Text(dir_ / "my shots") + "/";
    app_.telemetry.CaptureFileName = Text(dir_ / "data" / "pass 0412.kss");
  }
  void TearDown() override {
    fs::permissions(dir_ / "my shots", fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }

  static std::string Text(const fs::path& p) { return p.string(); }
  std::string Bitmap() const { return Text(dir_ / "my shots" / "pass 0412.bmp"); }
  std::string Png() const { return Text(dir_ / "my shots" / "pass 0412.png"); }
  const std::string& Label3() const { return app_.form.Label3; }

  void Expect_Nothing_Written() {
    EXPECT_TRUE(Label3().starts_with(kScreenshotNotSaved)) << Label3();
    EXPECT_FALSE(Label3().ends_with(" saved")) << Label3();
    EXPECT_TRUE(platform_.started.empty());
    EXPECT_TRUE(platform_.png_calls.empty());
  }

  fs::path dir_;
  AppState app_;
  ScriptedPlatform platform_;
};

TEST_F(Command1ClickTest, StartsTheConverterWithThePathAsOneArgument) {
  Command1_Click(app_, platform_);

  ASSERT_EQ(platform_.saved.size(), 1u);
  EXPECT_EQ(platform_.saved[0], fs::path(Bitmap()));
  ASSERT_EQ(platform_.started.size(), 1u);
  EXPECT_EQ(platform_.started[0].program, "nconvert");
  const std::vector<std::string> expected = {"-out",   "png", "-transpcolor", "240",
                                             "240",    "240", "-colors",      "256",
                                             "-quiet", "-D",  Bitmap()};
  EXPECT_EQ(platform_.started[0].args, expected);
  EXPECT_EQ(Label3(), Bitmap() + " saved");
  EXPECT_TRUE(fs::exists(Bitmap())) << "the converter, not the handler, deletes the bitmap";
  EXPECT_TRUE(platform_.png_calls.empty());
}

TEST_F(Command1ClickTest, WithoutConverterWritesThePngAndRemovesTheBitmap) {
  platform_.converter_installed = false;
  Command1_Click(app_, platform_);

  ASSERT_EQ(platform_.png_calls.size(), 1u);
  const PngCall& call = platform_.png_calls[0];
  EXPECT_EQ(call.bitmap, fs::path(Bitmap()));
  EXPECT_EQ(call.png, fs::path(Png()));
  EXPECT_EQ(call.red, 240);
  EXPECT_EQ(call.green, 240);
  EXPECT_EQ(call.blue, 240);
  EXPECT_FALSE(fs::exists(Bitmap()));
  EXPECT_TRUE(fs::exists(Png()));
  EXPECT_EQ(Label3(), Png() + " saved");
}

TEST_F(Command1ClickTest, WithoutConverterAndPngFailureKeepsTheBitmapAndSaysWhy) {
  platform_.converter_installed = false;
  platform_.png_failure = "disk full";
  Command1_Click(app_, platform_);

  EXPECT_TRUE(fs::exists(Bitmap()));
  EXPECT_FALSE(fs::exists(Png()));
  EXPECT_TRUE(Label3().starts_with(Bitmap() + " saved")) << Label3();
  EXPECT_NE(Label3().find("disk full"), std::string::npos) << Label3();
  EXPECT_NE(Label3().find(Png()), std::string::npos) << Label3();
}

TEST_F(Command1ClickTest, SaveFailureReportsTheReasonAndLeavesNoFile) {
  platform_.save_failure = "the window could not be copied";
  Command1_Click(app_, platform_);

  Expect_Nothing_Written();
  EXPECT_EQ(Label3(), std::string(kScreenshotNotSaved) + Bitmap() + ": " + platform_.save_failure);
  EXPECT_FALSE(fs::exists(Bitmap()));
}

TEST_F(Command1ClickTest, SaveFailureLeavesAnEarlierScreenshotAlone) {
  std::ofstream(Bitmap(), std::ios::binary) << "BMold";
  platform_.save_failure = "no space";
  Command1_Click(app_, platform_);

  Expect_Nothing_Written();
  std::ifstream in(Bitmap(), std::ios::binary);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "BMold");
}

TEST_F(Command1ClickTest, FolderProblemsAreReportedBeforeSaving) {
  std::ofstream(dir_ / "plain file") << "x";
  fs::create_directories(dir_ / "my shots" / "pass 0412.bmp");
  const struct {
    const char* what;
    std::string image_path;
    const char* reason;
  } cases[] = {
      {"missing folder", Text(dir_ / "gone") + "/", "does not exist"},
      {"a file where the folder should be", Text(dir_ / "plain file") + "/", "is not a folder"},
      {"a folder where the bitmap should be", Text(dir_ / "my shots") + "/", "cannot be written"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform_ = ScriptedPlatform{};
    app_.ImagePath = c.image_path;
    Command1_Click(app_, platform_);
    Expect_Nothing_Written();
    EXPECT_NE(Label3().find(c.reason), std::string::npos) << Label3();
    EXPECT_TRUE(platform_.saved.empty());
  }
}

TEST_F(Command1ClickTest, ReadOnlyFolderIsReported) {
  fs::permissions(dir_ / "my shots",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (std::ofstream(dir_ / "my shots" / "probe")) {
    GTEST_SKIP() << "this account may write into read-only folders";
  }
  Command1_Click(app_, platform_);

  Expect_Nothing_Written();
  EXPECT_NE(Label3().find("cannot be written"), std::string::npos) << Label3();
  EXPECT_TRUE(platform_.saved.empty());
}

TEST_F(Command1ClickTest, NamesAndPlacesTheBitmapByTheRule) {
  const struct {
    const char* what;
    std::string image_path;
    std::string capture;
    fs::path bitmap;
  } cases[] = {
      {"no capture file read yet", Text(dir_) + "/", "", dir_ / "ORVELT-1.bmp"},
      {"ImagePath without final separator", Text(dir_ / "shots"), Text(dir_ / "data/p.kss"),
       dir_ / "shotsp.bmp"},
      {"capture file without lower-case kss", Text(dir_ / "data") + "/",
       Text(dir_ / "data/LOG.KSS"), dir_ / "data/LOG.KSS.bmp"},
      {"shell characters", Text(dir_) + "/", "/d/$(touch x);rm y.kss",
       dir_ / "$(touch x);rm y.bmp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform_ = ScriptedPlatform{};
    app_.ImagePath = c.image_path;
    app_.telemetry.CaptureFileName = c.capture;
    Command1_Click(app_, platform_);
    ASSERT_EQ(platform_.saved.size(), 1u);
    EXPECT_EQ(platform_.saved[0], c.bitmap);
    ASSERT_EQ(platform_.started.size(), 1u);
    EXPECT_EQ(platform_.started[0].args.back(), c.bitmap.string());
    EXPECT_EQ(Label3(), c.bitmap.string() + " saved");
    EXPECT_TRUE(fs::exists(c.bitmap));
  }
}

}  // namespace
}  // namespace orvelt

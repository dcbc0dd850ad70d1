#include "export/screenshot.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "support/fake_platform.hpp"
#include "support/scratch_dir.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

// Also records what the in-process PNG is made from and which colour turns transparent.
class ShotPlatform : public testing::FakePlatform {
 public:
  std::vector<std::pair<fs::path, std::array<int, 3>>> png_inputs;

  Outcome Write_Png(const fs::path& bitmap, const fs::path& png, std::uint8_t red,
                    std::uint8_t green, std::uint8_t blue) override {
    png_inputs.push_back({bitmap, {red, green, blue}});
    return FakePlatform::Write_Png(bitmap, png, red, green, blue);
  }
};

std::string Content(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<fs::path> Folder(const fs::path& folder) {
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class Command1ClickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "data");
    fs::create_directories(dir_ / "my shots");
    app_.ImagePath = (dir_ / "my shots").string() + "/";
    app_.telemetry.CaptureFileName = (dir_ / "data" / "pass 0412.kss").string();
  }
  void TearDown() override { fs::current_path(start_folder_); }

  std::string Bitmap() const { return (dir_ / "my shots" / "pass 0412.bmp").string(); }
  std::string Png() const { return (dir_ / "my shots" / "pass 0412.png").string(); }

  testing::ScratchDir dir_;
  fs::path start_folder_ = fs::current_path();
  AppState app_;
  ShotPlatform platform_;
};

// Naming is the name rules' own test; here the converter gets one absolute argument per name,
// so that a name from the current folder never reads as an option.
TEST_F(Command1ClickTest, HandsTheConverterTheAbsoluteBitmapNamedAfterTheCapture) {
  fs::current_path(dir_.path());
  app_.ImagePath.clear();
  app_.telemetry.CaptureFileName = (dir_ / "data" / "-D.kss").string();

  Command1_Click(app_, platform_);

  const std::string bitmap = (dir_ / "-D.bmp").string();
  const std::vector<std::string> args = {"-out",    "png", "-transpcolor", "240", "240", "240",
                                         "-colors", "256", "-quiet",       "-D",  bitmap};
  EXPECT_EQ(platform_.started, (decltype(platform_.started){{"nconvert", args}}));
  EXPECT_EQ(app_.form.Label3, bitmap + " saved");
  EXPECT_EQ(Content(bitmap), "BM") << "the converter, not the handler, deletes the bitmap";
  EXPECT_TRUE(platform_.png_inputs.empty());
}

TEST_F(Command1ClickTest, WithoutConverterWritesThePngItselfAndRemovesTheBitmap) {
  platform_.program_starts = false;
  platform_.png_error = "disk full";
  Command1_Click(app_, platform_);

  EXPECT_EQ(Content(Bitmap()), "BM");
  const std::string label = app_.form.Label3;
  EXPECT_TRUE(label.starts_with(Bitmap() + " saved")) << label;
  EXPECT_NE(label.find("disk full"), std::string::npos) << label;
  EXPECT_NE(label.find(Png()), std::string::npos) << label;

  platform_.png_error.clear();
  Command1_Click(app_, platform_);

  const std::pair<fs::path, std::array<int, 3>> input{Bitmap(), {240, 240, 240}};
  EXPECT_EQ(platform_.png_inputs, std::vector(2, input));
  EXPECT_EQ(Folder(dir_ / "my shots"), std::vector<fs::path>{"pass 0412.png"});
  EXPECT_EQ(app_.form.Label3, Png() + " saved");
}

// A link planted at the picture's name in a shared folder is replaced, never written through.
TEST_F(Command1ClickTest, LinksAtThePictureNamesAreReplacedNotFollowed) {
  const fs::path victim = dir_ / "data" / "victim";
  platform_.program_starts = false;
  for (const bool dangling : {false, true}) {
    SCOPED_TRACE(dangling);
    fs::remove(victim);
    if (!dangling) std::ofstream(victim, std::ios::binary) << "precious";
    for (const std::string& name : {Bitmap(), Png()}) {
      fs::remove(name);
      fs::create_symlink(victim, name);
    }

    Command1_Click(app_, platform_);

    EXPECT_EQ(app_.form.Label3, Png() + " saved");
    EXPECT_EQ(fs::exists(victim), !dangling);
    if (!dangling) {
      EXPECT_EQ(Content(victim), "precious");
    }
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Png())));
    EXPECT_EQ(Folder(dir_ / "my shots"), std::vector<fs::path>{"pass 0412.png"});
  }
}

TEST_F(Command1ClickTest, SaveFailureSaysWhyAndLeavesTheFolderAsItWas) {
  for (const bool earlier_screenshot : {false, true}) {
    SCOPED_TRACE(earlier_screenshot);
    if (earlier_screenshot) std::ofstream(Bitmap(), std::ios::binary) << "BMold";
    platform_.save_error = "no space";

    Command1_Click(app_, platform_);

    EXPECT_EQ(app_.form.Label3, std::string(kScreenshotNotSaved) + Bitmap() + ": no space");
    EXPECT_EQ(Folder(dir_ / "my shots"), earlier_screenshot ? std::vector<fs::path>{"pass 0412.bmp"}
                                                            : std::vector<fs::path>{});
    if (earlier_screenshot) {
      EXPECT_EQ(Content(Bitmap()), "BMold");
    }
    EXPECT_TRUE(platform_.started.empty());
    EXPECT_TRUE(platform_.png_inputs.empty());
  }
}

TEST_F(Command1ClickTest, FolderProblemsAreReportedBeforeSaving) {
  std::ofstream(dir_ / "plain file") << "x";
  fs::create_directories(dir_ / "my shots" / "pass 0412.bmp");
  for (const auto& [image_path, reason] : {std::pair{dir_ / "gone", "does not exist"},
                                           {dir_ / "plain file", "is not a folder"},
                                           {dir_ / "my shots", "cannot be written"}}) {
    SCOPED_TRACE(reason);
    platform_ = ShotPlatform{};
    app_.ImagePath = image_path.string() + "/";

    Command1_Click(app_, platform_);

    EXPECT_TRUE(app_.form.Label3.starts_with(kScreenshotNotSaved)) << app_.form.Label3;
    EXPECT_NE(app_.form.Label3.find(reason), std::string::npos) << app_.form.Label3;
    EXPECT_TRUE(platform_.bitmaps_saved.empty());
    EXPECT_TRUE(platform_.started.empty());
  }
}

}  // namespace
}  // namespace orvelt

#include "export/screenshot.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/fake_platform.hpp"
#include "support/scratch_dir.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

// Screenshots of the capture "pass 0412.kss" go to the folder "my shots".
class Command1ClickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "my shots");
    app_.ImagePath = (dir_ / "my shots").string() + "/";
    app_.telemetry.CaptureFileName = (dir_ / "data" / "pass 0412.kss").string();
  }
  void TearDown() override { fs::current_path(start_folder_); }

  std::string Shot(const char* extension) const {
    return (dir_ / "my shots" / "pass 0412.").string() + extension;
  }
  // The names in the screenshot folder, each followed by ";".
  std::string Shots() const {
    std::string names;
    for (const auto& entry : fs::directory_iterator(dir_ / "my shots")) {
      names += entry.path().filename().string() + ";";
    }
    return names;
  }

  testing::ScratchDir dir_;
  fs::path start_folder_ = fs::current_path();
  AppState app_;
  testing::FakePlatform platform_;
};

// The converter gets the bitmap as one absolute argument, so that a name from the current
// folder never reads as an option; it deletes the bitmap itself.
TEST_F(Command1ClickTest, HandsTheConverterTheAbsoluteBitmapNamedAfterTheCapture) {
  fs::current_path(dir_.path());
  app_.ImagePath.clear();
  app_.telemetry.CaptureFileName = (dir_ / "data" / "-D.kss").string();
  Command1_Click(app_, platform_);
  const std::string bitmap = (dir_ / "-D.bmp").string();
  ASSERT_EQ(platform_.started.size(), 1u);
  EXPECT_EQ(platform_.started[0].second.back(), bitmap);
  EXPECT_EQ(app_.form.Label3, bitmap + " saved");
  EXPECT_EQ(testing::File_Content(bitmap), "BM");
}

// Without the converter the PNG is made here and the bitmap removed. A link planted at either
// name in a shared folder is replaced, never written through.
TEST_F(Command1ClickTest, WithoutConverterMakesThePngItselfAndReplacesLinks) {
  platform_.program_starts = false;
  const fs::path victim = dir_ / "victim";
  for (const std::string planted : {"", "precious", "dangling"}) {
    SCOPED_TRACE(planted);
    fs::remove(Shot("png"));
    if (planted == "precious") std::ofstream(victim) << "precious";
    for (const std::string& name : {Shot("bmp"), Shot("png")}) {
      if (!planted.empty()) fs::create_symlink(victim, name);
    }
    Command1_Click(app_, platform_);
    EXPECT_EQ(app_.form.Label3, Shot("png") + " saved");
    EXPECT_EQ(testing::File_Content(victim), planted == "precious" ? "precious" : "");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Shot("png"))));
    EXPECT_EQ(Shots(), "pass 0412.png;");
    fs::remove(victim);
  }
}

// A PNG that cannot be written leaves the bitmap; a window that cannot be saved leaves the
// picture before it. Each says why.
TEST_F(Command1ClickTest, FailuresSayWhyAndLoseNoPicture) {
  platform_.program_starts = false;
  platform_.png_error = "disk full";
  Command1_Click(app_, platform_);
  EXPECT_NE(app_.form.Label3.find(Shot("png") + " could not be written: disk full"),
            std::string::npos)
      << app_.form.Label3;
  platform_.save_error = "no space";
  Command1_Click(app_, platform_);
  EXPECT_EQ(app_.form.Label3, std::string(kScreenshotNotSaved) + Shot("bmp") + ": no space");
  EXPECT_EQ(testing::File_Content(Shot("bmp")), "BM");
  EXPECT_EQ(Shots(), "pass 0412.bmp;");
}

}  // namespace
}  // namespace orvelt

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "export/csv_export.hpp"
#include "export/palette_reduction.hpp"
#include "export/screenshot.hpp"
#include "export/screenshot_name.hpp"
#include "support/fake_platform.hpp"
#include "support/scratch_dir.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

// The last rows: neither the bitmap nor the converter's PNG may ever land on the capture file
// itself, even with ImagePath the capture's own folder.
TEST(ScreenshotPath, NamesTheBitmapAfterTheCaptureFileButNeverAsIt) {
  constexpr PathStyle kPosix = PathStyle::Posix, kWindows = PathStyle::Windows;
  const struct {
    PathStyle style;
    const char* image_path;
    std::string capture, bitmap, png;
  } cases[] = {
      {kPosix, "/shots/", "/data/KSS_kss.kss", "/shots/KSS_bmp.bmp", "/shots/KSS_bmp.png"},
      {kWindows, "D:\\s\\", "C:\\d/sub\\x/y.kss", "D:\\s\\y.bmp", "D:\\s\\y.png"},
      {kPosix, "/s/orvelt_", "/d/a\\b.kss", "/s/orvelt_a\\b.bmp", "/s/orvelt_a\\b.png"},
      {kPosix, "/s/", "/d/kss_log.txt", "/s/bmp_log.txt", "/s/bmp_log.txt.png"},
      {kPosix, "/opt/orvelt/", "", "/opt/orvelt/ORVELT-1.bmp", "/opt/orvelt/ORVELT-1.png"},
      {kPosix, "/data/", "/data/LOG.KSS", "/data/LOG.KSS.bmp", "/data/LOG.KSS.png"},
      {kPosix, "/data/", "/data/x.png", "/data/x.png.bmp", "/data/x.png.png"},
      {kPosix, "/data/", "/data/a.kss.png", "/data/a.bmp.png", "/data/a.bmp.png.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.capture);
    const std::string bitmap = Screenshot_Path(c.image_path, c.capture, c.style);
    EXPECT_EQ(bitmap, c.bitmap);
    EXPECT_EQ(Png_Path(bitmap), c.png);
  }
}

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

constexpr std::uint32_t kGrey = 0xF0F0F0;

// A grey frame around a colour ramp, with a row of the grey's nearest neighbours that must stay
// opaque.
std::vector<std::uint32_t> Gradient(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint32_t> pixels;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t ramp =
          ((x * 255 / width) << 16) | ((y * 255 / height) << 8) | ((x * y) % 256);
      pixels.push_back(y < 4 || x < 4 ? kGrey : y == 4 ? 0xF0F0EF + x % 3 : ramp);
    }
  }
  return pixels;
}

// Only the exact grey turns transparent, and every other pixel keeps a colour close to its own.
TEST(ReducePalette, OnlyTheExactColourTurnsTransparentAndTheRestStaysClose) {
  const struct {
    std::vector<std::uint32_t> pixels;  // the top byte is ignored
    std::size_t max_colours, palette_size;
    int tolerance;  // largest channel error allowed for opaque pixels
  } cases[] = {
      {{kGrey, 0, 0xFFFFFF, 0xFF000000 | kGrey, 0x123456, 0xF0F0F1, 0x1200FF00}, 256, 6, 0},
      {{0x000000, 0xFFFFFF}, 256, 2, 0},
      {Gradient(96, 80), 256, 256, 48},
      {Gradient(40, 40), 16, 16, 160},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pixels.size());
    const IndexedPixels reduced = Reduce_To_Palette(c.pixels, kGrey, c.max_colours);
    ASSERT_EQ(reduced.palette.size(), c.palette_size);
    ASSERT_EQ(reduced.indexes.size(), c.pixels.size());
    for (std::size_t i = 0; i < c.pixels.size(); ++i) {
      const std::uint32_t colour = c.pixels[i] & 0xFFFFFF;
      const std::uint8_t index = reduced.indexes[i];
      ASSERT_LT(index, reduced.palette.size());
      EXPECT_EQ(index == reduced.transparent_index, colour == kGrey) << "pixel " << i;
      for (const int shift : {0, 8, 16}) {
        const int error = int(reduced.palette[index] >> shift & 0xFF) - int(colour >> shift & 0xFF);
        EXPECT_LE(std::abs(error), c.tolerance) << "pixel " << i;
      }
    }
  }
}

// Labels and messages come from stations and may hold anything: each stays one field.
TEST(CsvField, QuotesWhatWouldSplitAFieldAndShowsControlsAsText) {
  const struct {
    const char* text;
    const char* field;
  } cases[] = {
      {"2026-11-28 09:14:00", "2026-11-28 09:14:00"},
      {"28.11.2026, 09:14", "\"28.11.2026, 09:14\""},
      {"say \"73\"", "\"say \"\"73\"\"\""},
      {"tab\there", "tab\\x09here"},
      {"a\\b", "a\\\\b"},
      {"\xC2\xB5T", "\xC2\xB5T"},
  };
  for (const auto& c : cases) {
    std::string out;
    Append_Csv_Field(out, c.text);
    EXPECT_EQ(out, c.field) << c.text;
  }
}

}  // namespace
}  // namespace orvelt

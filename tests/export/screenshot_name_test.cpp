#include "export/screenshot_name.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvelt {
namespace {

TEST(ScreenshotPath, NamesTheBitmapAfterTheCaptureFileInImagePath) {
  constexpr PathStyle kPosix = PathStyle::Posix, kWindows = PathStyle::Windows;
  struct Case {
    PathStyle style;
    const char* image_path;
    const char* capture;
    std::string bitmap, png;
  };
  const std::vector<Case> cases = {
      {kPosix, "/shots/", "/data/KSS_kss.kss", "/shots/KSS_bmp.bmp", "/shots/KSS_bmp.png"},
      {kWindows, "C:\\SHOTS", "C:\\data\\p.kss", "C:\\SHOTSp.bmp", "C:\\SHOTSp.png"},
      {kPosix, "/shots/orvelt_", "/d/pass.kss", "/shots/orvelt_pass.bmp", "/shots/orvelt_pass.png"},
      {kPosix, "", "/d/-D.kss", "-D.bmp", "-D.png"},
      {kWindows, "D:\\s\\", "C:\\d/sub\\x/y.kss", "D:\\s\\y.bmp", "D:\\s\\y.png"},
      {kPosix, "/s/", "/d/a\\b.kss", "/s/a\\b.bmp", "/s/a\\b.png"},
      {kPosix, "/data/", "/data/LOG.KSS", "/data/LOG.KSS.bmp", "/data/LOG.KSS.png"},
      {kPosix, "/s/", "/d/kss_log.txt", "/s/bmp_log.txt", "/s/bmp_log.txt.png"},
      {kPosix, "/opt/orvelt/", "", "/opt/orvelt/ORVELT-1.bmp", "/opt/orvelt/ORVELT-1.png"},
      {kPosix, "/my shots/", "/d/a;rm $(x) `y`.kss", "/my shots/a;rm $(x) `y`.bmp",
       "/my shots/a;rm $(x) `y`.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capture);
    const std::string bitmap = Screenshot_Path(c.image_path, c.capture, c.style);
    EXPECT_EQ(bitmap, c.bitmap);
    EXPECT_EQ(Png_Path(bitmap), c.png);
    EXPECT_EQ(Converter_Arguments(bitmap).back(), c.bitmap);  // one argument, as it stands
  }
}

TEST(ScreenshotPath, NeverNamesTheCaptureFileItself) {
  // With ImagePath the capture file's own folder, neither the bitmap nor the converter's PNG
  // may land on the capture file.
  for (const char* name : {"pass.kss", "LOG.KSS", "x.bmp", "x.png", "kss", "a.kss.png", "noext"}) {
    SCOPED_TRACE(name);
    const std::string capture = std::string("/data/") + name;
    const std::string bitmap = Screenshot_Path("/data/", capture, PathStyle::Posix);
    EXPECT_NE(bitmap, capture);
    EXPECT_NE(Png_Path(bitmap), capture);
  }
}

}  // namespace
}  // namespace orvelt

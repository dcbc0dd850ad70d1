#include "export/screenshot_name.hpp"

#include <gtest/gtest.h>

#include <string>

namespace orvelt {
namespace {

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

}  // namespace
}  // namespace orvelt

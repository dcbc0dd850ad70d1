#include "export/screenshot_name.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvelt {
namespace {

struct NameCase {
  const char* what;
  PathStyle style;
  std::string image_path;
  std::string capture;
  std::string bitmap;
  std::string png;
};

const std::vector<NameCase> kNameCases = {
    {"plain capture file", PathStyle::Windows, "C:\\SHOTS\\", "C:\\data\\pass_0412.kss",
     "C:\\SHOTS\\pass_0412.bmp", "C:\\SHOTS\\pass_0412.png"},
    {"only lower-case kss, every one", PathStyle::Posix, "/shots/", "/data/KSS_kss.kss",
     "/shots/KSS_bmp.bmp", "/shots/KSS_bmp.png"},
    {"non-overlapping from the left", PathStyle::Posix, "/s/", "/d/kssss.kss", "/s/bmpss.bmp",
     "/s/bmpss.png"},
    {"ImagePath without final separator is glued", PathStyle::Windows, "C:\\SHOTS",
     "C:\\data\\pass_0412.kss", "C:\\SHOTSpass_0412.bmp", "C:\\SHOTSpass_0412.png"},
    {"forward-slash ImagePath without separator", PathStyle::Posix, "C:/SHOTS",
     "/data/pass_0412.kss", "C:/SHOTSpass_0412.bmp", "C:/SHOTSpass_0412.png"},
    {"upper-case extension keeps the name and gains .bmp", PathStyle::Posix, "/data/",
     "/data/LOG.KSS", "/data/LOG.KSS.bmp", "/data/LOG.KSS.png"},
    {"other extension gains .bmp", PathStyle::Posix, "/data/", "/data/log.txt", "/data/log.txt.bmp",
     "/data/log.txt.png"},
    {"kss inside the name, other extension", PathStyle::Posix, "/s/", "/d/kss_log.txt",
     "/s/bmp_log.txt", "/s/bmp_log.txt.png"},
    {"no capture file yet", PathStyle::Posix, "/opt/orvelt/", "", "/opt/orvelt/ORVELT-1.bmp",
     "/opt/orvelt/ORVELT-1.png"},
    {"capture path ending in a separator", PathStyle::Posix, "/s/", "/data/", "/s/ORVELT-1.bmp",
     "/s/ORVELT-1.png"},
    {"spaces kept", PathStyle::Posix, "/my shots/", "/my data/pass 12.kss", "/my shots/pass 12.bmp",
     "/my shots/pass 12.png"},
    {"shell characters kept", PathStyle::Posix, "/s/", "/d/a;rm x.kss", "/s/a;rm x.bmp",
     "/s/a;rm x.png"},
    {"command substitution kept", PathStyle::Posix, "/s/", "/d/$(x).kss", "/s/$(x).bmp",
     "/s/$(x).png"},
    {"backslash is part of the name on Posix", PathStyle::Posix, "/s/", "/d/a\\b.kss",
     "/s/a\\b.bmp", "/s/a\\b.png"},
    {"Windows takes both separators", PathStyle::Windows, "D:\\s\\", "C:\\d/sub\\x/y.kss",
     "D:\\s\\y.bmp", "D:\\s\\y.png"},
    {"UTF-8 name", PathStyle::Posix, "/s/",
     "/d/\xC3\xBC"
     "berflug.kss",
     "/s/\xC3\xBC"
     "berflug.bmp",
     "/s/\xC3\xBC"
     "berflug.png"},
};

TEST(Screenshot_Path, FollowsTheNamingRule) {
  for (const NameCase& c : kNameCases) {
    SCOPED_TRACE(c.what);
    const std::string bitmap = Screenshot_Path(c.image_path, c.capture, c.style);
    EXPECT_EQ(bitmap, c.bitmap);
    EXPECT_EQ(Png_Path(bitmap), c.png);
  }
}

TEST(Screenshot_Path, NeverNamesTheCaptureFileItself) {
  // With ImagePath the capture file's own folder, neither the bitmap nor the converter's PNG
  // may land on the capture file.
  for (const char* name : {"pass.kss", "LOG.KSS", "log.txt", "x.bmp", "x.png", "kss", "a.kss.png",
                           "kss.bmp", "noext"}) {
    SCOPED_TRACE(name);
    const std::string capture = std::string("/data/") + name;
    const std::string bitmap = Screenshot_Path("/data/", capture, PathStyle::Posix);
    EXPECT_NE(bitmap, capture);
    EXPECT_NE(Png_Path(bitmap), capture);
  }
}

TEST(Converter_Arguments, PathIsTheLastSingleArgument) {
  for (const std::string path : {"/s/pass.bmp", "/my shots/a;rm x.bmp", "/s/$(x) `y` 'q\".bmp"}) {
    SCOPED_TRACE(path);
    const std::vector<std::string> expected = {
        "-out", "png", "-transpcolor", "240", "240", "240", "-colors", "256", "-quiet", "-D", path};
    EXPECT_EQ(Converter_Arguments(path), expected);
  }
}

}  // namespace
}  // namespace orvelt

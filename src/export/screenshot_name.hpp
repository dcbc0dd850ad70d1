#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvelt {

// Which characters end a folder in a path: '/' alone, or '\' and '/' as on Windows.
enum class PathStyle { Posix, Windows };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// Name of the screenshot before any capture file has been read.
inline constexpr std::string_view kDefaultScreenshotName = "ORVELT-1.bmp";

// The converter that turns the bitmap into a PNG, and the colour it makes transparent: the grey
// background of the main window, its frames and selectors.
inline constexpr std::string_view kConverterProgram = "nconvert";
inline constexpr unsigned char kTransparentRed = 240;
inline constexpr unsigned char kTransparentGreen = 240;
inline constexpr unsigned char kTransparentBlue = 240;

// The bitmap's file name for a capture file: its name after the last folder separator, with
// every lower-case "kss" turned into "bmp" from the left. A name without one gets ".bmp"
// appended instead, so the bitmap never replaces the capture file itself. An empty capture
// file name (nothing read yet, or a path ending in a separator) gives kDefaultScreenshotName.
std::string Screenshot_Name(std::string_view capture_file_name, PathStyle style = kNativePathStyle);

// The bitmap's full path: `image_prefix` followed directly by the name, no separator inserted
// ("/shots/orvelt_" gives "/shots/orvelt_pass.bmp"); an empty prefix leaves the name alone, in
// the current folder. Image_Path_Prefix makes the prefix of an ImagePath.
std::string Screenshot_Path(std::string_view image_prefix, std::string_view capture_file_name,
                            PathStyle style = kNativePathStyle);

// The PNG the converter makes of a bitmap: a final ".bmp" becomes ".png", any other name gets
// ".png" appended.
std::string Png_Path(std::string_view bitmap_path);

// The converter's arguments for one bitmap: PNG output, the window grey transparent, at most
// 256 colours, no console output, the bitmap deleted afterwards. The path is one argument, so
// spaces and shell characters in it reach the converter unchanged.
std::vector<std::string> Converter_Arguments(std::string_view bitmap_path);

}  // namespace orvelt

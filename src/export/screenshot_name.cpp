#include "export/screenshot_name.hpp"

namespace orvelt {

namespace {

constexpr std::string_view kCaptureTag = "kss";
constexpr std::string_view kBitmapTag = "bmp";
constexpr std::string_view kBitmapExtension = ".bmp";
constexpr std::string_view kPngExtension = ".png";

// The characters that end a folder; the first is the one a path is joined with.
std::string_view Separators(PathStyle style) {
  return style == PathStyle::Windows ? "\\/" : "/";
}

std::string_view File_Name_Part(std::string_view path, PathStyle style) {
  const auto last = path.find_last_of(Separators(style));
  return last == std::string_view::npos ? path : path.substr(last + 1);
}

}  // namespace

std::string Screenshot_Name(std::string_view capture_file_name, PathStyle style) {
  const std::string_view name = File_Name_Part(capture_file_name, style);
  if (name.empty()) return std::string(kDefaultScreenshotName);

  std::string result;
  result.reserve(name.size() + kBitmapExtension.size());
  bool replaced = false;
  std::size_t from = 0;
  for (auto at = name.find(kCaptureTag); at != std::string_view::npos;
       at = name.find(kCaptureTag, from)) {
    result.append(name.substr(from, at - from)).append(kBitmapTag);
    from = at + kCaptureTag.size();
    replaced = true;
  }
  result.append(name.substr(from));
  if (!replaced) result.append(kBitmapExtension);
  return result;
}

std::string Screenshot_Path(std::string_view image_prefix, std::string_view capture_file_name,
                            PathStyle style) {
  return std::string(image_prefix) + Screenshot_Name(capture_file_name, style);
}

std::string Png_Path(std::string_view bitmap_path) {
  if (bitmap_path.ends_with(kBitmapExtension)) bitmap_path.remove_suffix(kBitmapExtension.size());
  return std::string(bitmap_path) + std::string(kPngExtension);
}

std::vector<std::string> Converter_Arguments(std::string_view bitmap_path) {
  const auto level = [](unsigned char value) { return std::to_string(value); };
  return {"-out",
          "png",
          "-transpcolor",
          level(kTransparentRed),
          level(kTransparentGreen),
          level(kTransparentBlue),
          "-colors",
          "256",
          "-quiet",
          "-D",
          std::string(bitmap_path)};
}

}  // namespace orvelt

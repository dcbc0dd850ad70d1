#include "export/screenshot.hpp"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "export/screenshot_name.hpp"

namespace orvelt {

namespace fs = std::filesystem;

namespace {

// Paths in the window model are UTF-8 text.
fs::path Utf8_Path(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8_Text(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string Not_Saved(const std::string& reason) {
  return std::string(kScreenshotNotSaved) + reason;
}

// Why the bitmap cannot be written at `bitmap`, or empty when it can. Opening the file for
// appending leaves an existing file as it is; `created` tells whether an empty one was made,
// so that a failed save does not leave it behind.
std::string Check_Writable(const fs::path& bitmap, const std::string& bitmap_text, bool& created) {
  created = false;
  const fs::path folder = bitmap.has_parent_path() ? bitmap.parent_path() : fs::path(".");
  std::error_code ec;
  const fs::file_status folder_status = fs::status(folder, ec);
  if (!fs::exists(folder_status)) {
    return "folder " + Utf8_Text(folder) + " does not exist";
  }
  if (!fs::is_directory(folder_status)) {
    return Utf8_Text(folder) + " is not a folder";
  }
  const bool existed = fs::exists(bitmap, ec);
  errno = 0;
  std::ofstream probe(bitmap, std::ios::binary | std::ios::app);
  if (!probe) {
    const int error = errno;
    return bitmap_text + " cannot be written" +
           (error != 0 ? ": " + std::generic_category().message(error) : std::string());
  }
  created = !existed;
  return {};
}

std::string Remove_Bitmap(const fs::path& bitmap) {
  std::error_code ec;
  fs::remove(bitmap, ec);
  return ec ? ec.message() : std::string();
}

}  // namespace

void Command1_Click(AppState& app, Platform& platform) {
  const std::string bitmap_text = Screenshot_Path(app.ImagePath, app.telemetry.CaptureFileName);
  const fs::path bitmap = Utf8_Path(bitmap_text);
  std::string& status = app.form.Label3;

  bool created = false;
  if (const std::string reason = Check_Writable(bitmap, bitmap_text, created); !reason.empty()) {
    status = Not_Saved(reason);
    return;
  }
  if (const std::string reason = platform.Save_Window_Bitmap(bitmap); !reason.empty()) {
    std::error_code ec;
    if (created && fs::file_size(bitmap, ec) == 0 && !ec) fs::remove(bitmap, ec);
    status = Not_Saved(bitmap_text + ": " + reason);
    return;
  }

  // The converter runs on its own and deletes the bitmap when it has made the PNG.
  if (platform.Start_Program(std::string(kConverterProgram), Converter_Arguments(bitmap_text))) {
    status = bitmap_text + " saved";
    return;
  }

  // No converter here: make its PNG ourselves, so the user finds the same file either way.
  const std::string png_text = Png_Path(bitmap_text);
  if (const std::string reason = platform.Write_Png(bitmap, Utf8_Path(png_text), kTransparentRed,
                                                    kTransparentGreen, kTransparentBlue);
      !reason.empty()) {
    status = bitmap_text + " saved, but no PNG made: " + std::string(kConverterProgram) +
             " could not be started and " + png_text + " could not be written: " + reason;
    return;
  }
  if (const std::string reason = Remove_Bitmap(bitmap); !reason.empty()) {
    status = png_text + " saved; " + bitmap_text + " could not be removed: " + reason;
    return;
  }
  status = png_text + " saved";
}

}  // namespace orvelt

#include "export/screenshot.hpp"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "base/result.hpp"
#include "config/conf_ini.hpp"
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

// A file of our own, freshly created in the target's folder: the picture is written there and
// renamed onto the target name only when complete. Creating it exclusively never follows a
// symlink, and the rename replaces whatever stands at the target name (a symlink included)
// instead of writing through it, so a link planted in a shared image folder cannot make us
// overwrite its target. The file is removed unless it was renamed into place.
class StagedFile {
 public:
  explicit StagedFile(fs::path path) : path_(std::move(path)) {}
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  StagedFile(StagedFile&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
  ~StagedFile() {
    std::error_code ec;
    if (!path_.empty()) fs::remove(path_, ec);
  }
  const fs::path& path() const { return path_; }

  Outcome Rename_To(const fs::path& target) {
    std::error_code ec;
    fs::rename(path_, target, ec);
    if (ec) return Failure{ec.message()};
    path_.clear();
    return Outcome::Done();
  }

 private:
  fs::path path_;
};

// Creates an empty file of our own beside `target`, hidden and with a random part in its name.
Result<StagedFile> Stage_Beside(const fs::path& target) {
  std::random_device seed;
  std::mt19937 random(seed());
  int error = 0;
  for (int attempt = 0; attempt < 32; ++attempt) {
    const fs::path staged =
        target.parent_path() / ("." + Utf8_Text(target.filename()) + "." +
                                std::to_string(random() % 1000000000u) + ".part");
    errno = 0;
    // "x": fails when anything, a dangling symlink included, already has the name.
    if (std::FILE* file = std::fopen(staged.c_str(), "wbx")) {
      std::fclose(file);
      return StagedFile(staged);
    }
    error = errno;
    if (error != EEXIST) break;
  }
  return Failure{error != 0 ? std::generic_category().message(error) : "no free temporary name"};
}

// Why nothing can be written in the bitmap's folder, if so.
Outcome Check_Folder(const fs::path& bitmap) {
  const fs::path folder = bitmap.parent_path();
  std::error_code ec;
  const fs::file_status folder_status = fs::status(folder, ec);
  if (!fs::exists(folder_status)) return Failure{"folder " + Utf8_Text(folder) + " does not exist"};
  if (!fs::is_directory(folder_status)) return Failure{Utf8_Text(folder) + " is not a folder"};
  // A folder standing at the target name could not be replaced by the rename.
  if (fs::is_directory(fs::symlink_status(bitmap, ec))) {
    return Failure{Utf8_Text(bitmap) + " cannot be written: it is a folder"};
  }
  return Outcome::Done();
}

}  // namespace

void Command1_Click(AppState& app, Platform& platform) {
  // The converter is handed this path as an argument: made absolute, it can never read as an
  // option, whatever the capture is called.
  std::error_code ec;
  const fs::path bitmap = fs::absolute(Utf8_Path(Screenshot_Path(Image_Path_Prefix(app.ImagePath),
                                                                 app.telemetry.CaptureFileName)),
                                       ec)
                              .lexically_normal();
  const std::string bitmap_text = Utf8_Text(bitmap);
  std::string& status = app.form.Label3;

  if (ec) {
    status = Not_Saved(bitmap_text + ": " + ec.message());
    return;
  }
  if (const Outcome folder = Check_Folder(bitmap); !folder) {
    status = Not_Saved(folder.why());
    return;
  }
  auto staged_bitmap = Stage_Beside(bitmap);
  if (!staged_bitmap) {
    status = Not_Saved(bitmap_text + " cannot be written: " + staged_bitmap.why());
    return;
  }
  StagedFile& staged = staged_bitmap.value();
  if (const Outcome saved = platform.Save_Window_Bitmap(staged.path()); !saved) {
    status = Not_Saved(bitmap_text + ": " + saved.why());
    return;
  }
  if (const Outcome renamed = staged.Rename_To(bitmap); !renamed) {
    status = Not_Saved(bitmap_text + " cannot be written: " + renamed.why());
    return;
  }

  // The converter runs on its own and deletes the bitmap when it has made the PNG.
  if (platform.Start_Program(std::string(kConverterProgram), Converter_Arguments(bitmap_text))) {
    status = bitmap_text + " saved";
    return;
  }

  // No converter here: make its PNG ourselves, so the user finds the same file either way.
  const std::string png_text = Png_Path(bitmap_text);
  const fs::path png = Utf8_Path(png_text);
  const auto no_png = [&](const std::string& reason) {
    status = bitmap_text + " saved, but no PNG made: " + std::string(kConverterProgram) +
             " could not be started and " + png_text + " could not be written: " + reason;
  };
  auto staged_png = Stage_Beside(png);
  if (!staged_png) return no_png(staged_png.why());
  StagedFile& png_part = staged_png.value();
  if (const Outcome written = platform.Write_Png(bitmap, png_part.path(), kTransparentRed,
                                                 kTransparentGreen, kTransparentBlue);
      !written) {
    return no_png(written.why());
  }
  if (const Outcome renamed = png_part.Rename_To(png); !renamed) {
    return no_png(renamed.why());
  }
  if (fs::remove(bitmap, ec); ec) {
    status = png_text + " saved; " + bitmap_text + " could not be removed: " + ec.message();
    return;
  }
  status = png_text + " saved";
}

}  // namespace orvelt

#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.hpp"

namespace orvelt {

// The sub-folder of the user's configuration folder and of the data folders that holds the
// start-up files.
inline constexpr std::string_view kStartUpFolderName = "orvelt";

// Start-up files are a few lines of text; anything larger is not one of them, and reading it
// whole could exhaust memory before the window is shown.
inline constexpr std::uintmax_t kMaxStartUpFileSize = 1024 * 1024;

// The folders the platform knows about, before the start-up folder names are added.
struct StartUpPlaces {
  std::filesystem::path program_dir;             // where the running program lies
  std::filesystem::path config_home;             // $XDG_CONFIG_HOME, normally ~/.config
  std::vector<std::filesystem::path> data_dirs;  // $XDG_DATA_HOME, then $XDG_DATA_DIRS
};

// The folders that may hold conf.ini and obc_offset.ini, in the order they are searched, each
// once: the program's own folder (a build folder or a copy the user unpacked), the user's own
// configuration, the data folder of the installation the program belongs to (found from the
// program's folder, so an installation moved or unpacked elsewhere works as one in /usr), then
// the shared data folders. Empty places are left out.
std::vector<std::filesystem::path> Start_Up_Folders(const StartUpPlaces& places);

// A start-up file as it was found: where, and its whole text.
struct StartUpFile {
  std::filesystem::path path;
  std::string text;
};

// Reads the file `name` from the first of `folders` that has an entry of that name. An entry
// that is not a regular file (a folder, FIFO, device or socket) or is larger than
// kMaxStartUpFileSize is refused rather than searched past, so that the user learns why the file
// they put there is not used; a FIFO is never opened, so start-up cannot hang on it. When no
// folder has the file, the failure names every place looked at. A failure means start-up must
// stop.
Result<StartUpFile> Read_Start_Up_File(const std::vector<std::filesystem::path>& folders,
                                       std::string_view name);

}  // namespace orvelt

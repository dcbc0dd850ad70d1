#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.hpp"

namespace orvelt {

inline constexpr std::string_view kConfIniName = "conf.ini";
inline constexpr std::string_view kObcOffsetIniName = "obc_offset.ini";

// The settings that conf.ini can change.
struct Configuration {
  std::optional<std::string> ImagePath;  // IMAGE_PATH as set, see Image_Path_Prefix
  bool screenshot_button = true;         // whether Command1 is shown
};

// The configuration start-up goes on with.
struct StartUpConfiguration {
  Configuration config;
  std::filesystem::path conf_ini;  // where conf.ini was found
};

// Applies the settings of a conf.ini text to `config`, line by line in file order,
// so the last line setting a key wins. Stops at the first faulty line; the lines
// before it have been applied. A UTF-8 byte-order mark at the start, which some
// editors write, is not part of the first line. A failure names the file as `file`.
Outcome Apply_Conf_Ini_Text(std::string_view text, Configuration& config,
                            std::string_view file = kConfIniName);

// Checks that obc_offset.ini holds an item to read. Its value is not used anywhere.
Outcome Check_Obc_Offset_Text(std::string_view text, std::string_view file = kObcOffsetIniName);

// A folder in the form ImagePath takes: followed by one separator (a root folder already ends
// with one), so that file names can be appended directly.
std::string Folder_Prefix(const std::filesystem::path& folder);

// An IMAGE_PATH value made independent of the current folder: a relative value is taken
// relative to `conf_folder`, the folder of the conf.ini that set it, so it means the same
// whatever folder the program was started from. What follows the folder is kept exactly,
// including a missing final separator.
std::string Resolve_Image_Path(std::string_view value, const std::filesystem::path& conf_folder);

// What screenshot names are appended to, for an ImagePath: a value that names an existing folder
// without its final separator gets one, so that the picture goes into that folder; any other
// value is a name prefix and stays exactly as it is ("/shots/orvelt_" gives
// "/shots/orvelt_pass.bmp"). Asked when a picture is saved, so a folder made later counts.
std::string Image_Path_Prefix(std::string_view image_path);

// Reads conf.ini and then obc_offset.ini, each from the first of `folders` that has it (see
// Read_Start_Up_File), and applies conf.ini's settings. A failure means start-up must stop.
Result<StartUpConfiguration> Read_Configuration(const std::vector<std::filesystem::path>& folders);

}  // namespace orvelt

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvelt {

inline constexpr std::string_view kConfIniName = "conf.ini";
inline constexpr std::string_view kObcOffsetIniName = "obc_offset.ini";

// Why start-up cannot go on: the file it happened in, the 1-based line (0 when the
// fault is not tied to one line) and a reason the user can act on.
struct ConfigError {
  std::string file;
  int line = 0;
  std::string reason;

  // "conf.ini, line 3: setting without \"=\"" or "conf.ini: file is empty".
  std::string message() const;
};

// The settings that conf.ini can change.
struct Configuration {
  std::string ImagePath;          // directory prefix of screenshot files, used as written
  bool screenshot_button = true;  // whether Command1 is shown
};

struct ConfigResult {
  Configuration config;
  std::optional<ConfigError> error;  // set when start-up must stop
};

// Applies the settings of a conf.ini text to `config`, line by line in file order,
// so the last line setting a key wins. Stops at the first faulty line; the lines
// before it have been applied.
std::optional<ConfigError> Apply_Conf_Ini_Text(std::string_view text, Configuration& config);

// Checks that obc_offset.ini holds an item to read. Its value is not used anywhere.
std::optional<ConfigError> Check_Obc_Offset_Text(std::string_view text);

// Reads conf.ini and then obc_offset.ini from `program_dir`. `default_image_path`
// is the ImagePath in force when conf.ini does not set one.
ConfigResult Read_Configuration(const std::filesystem::path& program_dir,
                                std::string default_image_path);

}  // namespace orvelt

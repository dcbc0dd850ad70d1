#include <filesystem>

#include "window/handlers.hpp"

namespace orvelt {

std::string As_Folder(std::string folder) {
  constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
  if (!folder.empty() && folder.back() != kSeparator && folder.back() != '/') folder += kSeparator;
  return folder;
}

std::optional<ConfigError> Form_Load(AppState& app, Platform& platform) {
  app.telemetry.SwitchStatusText = Default_Switch_Status_Text();
  const std::filesystem::path program_dir = platform.Program_Directory();
  // The folder followed by one separator; a root folder already ends with one.
  const std::string image_path = As_Folder(program_dir.string());
  const ConfigResult config =
      Read_Configuration(program_dir, image_path.empty() ? "/" : image_path);
  if (config.error) return config.error;
  // The setting names a folder: a name is put into it, never beside it.
  app.ImagePath = As_Folder(config.config.ImagePath);
  app.form.Command1_visible = config.config.screenshot_button;
  return std::nullopt;
}

}  // namespace orvelt

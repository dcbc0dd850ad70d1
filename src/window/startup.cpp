#include <filesystem>

#include "window/handlers.hpp"

namespace orvelt {

std::optional<ConfigError> Form_Load(AppState& app, Platform& platform) {
  app.telemetry.SwitchStatusText = Default_Switch_Status_Text();
  const std::filesystem::path program_dir = platform.Program_Directory();
  // The folder followed by one separator; a root folder already ends with one.
  std::string image_path = program_dir.string();
  constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
  if (image_path.empty() || image_path.back() != kSeparator) image_path += kSeparator;
  const ConfigResult config = Read_Configuration(program_dir, image_path);
  if (config.error) return config.error;
  app.ImagePath = config.config.ImagePath;
  app.form.Command1_visible = config.config.screenshot_button;
  return std::nullopt;
}

}  // namespace orvelt

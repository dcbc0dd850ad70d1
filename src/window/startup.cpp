#include "window/startup.hpp"

#include <filesystem>
#include <system_error>
#include <vector>

#include "config/start_up_files.hpp"
#include "window/handlers.hpp"

namespace orvelt {

namespace fs = std::filesystem;

std::string Default_Image_Path(const fs::path& program_dir, bool program_dir_writable,
                               bool conf_ini_beside_program, const fs::path& pictures_dir) {
  const bool own_folder = program_dir_writable && conf_ini_beside_program;
  return Folder_Prefix(own_folder || pictures_dir.empty() ? program_dir : pictures_dir);
}

Outcome Form_Load(AppState& app, Platform& platform) {
  app.telemetry.SwitchStatusText = Default_Switch_Status_Text();
  const fs::path program_dir = platform.Program_Directory();
  const std::vector<fs::path> folders =
      Start_Up_Folders({program_dir, platform.Config_Home(), platform.Data_Directories()});
  const Result<StartUpConfiguration> read = Read_Configuration(folders);
  if (!read) return Failure{read.why()};
  const StartUpConfiguration& config = read.value();

  if (config.config.ImagePath) {
    // A folder or a name prefix: which of the two is decided when a picture is saved.
    app.ImagePath = *config.config.ImagePath;
  } else {
    const fs::path pictures = platform.Pictures_Directory();
    // The program's folder, when known, is the first searched.
    const bool beside = !program_dir.empty() && config.conf_ini.parent_path() == folders.front();
    app.ImagePath =
        Default_Image_Path(program_dir, platform.Program_Directory_Writable(), beside, pictures);
    // A new account may not have its Pictures folder yet; the first screenshot should not fail
    // for that. Should this fail, saving says why.
    if (!pictures.empty() && app.ImagePath == Folder_Prefix(pictures)) {
      std::error_code ec;
      fs::create_directories(pictures, ec);
    }
  }
  app.form.Command1_visible = config.config.screenshot_button;
  return Outcome::Done();
}

}  // namespace orvelt

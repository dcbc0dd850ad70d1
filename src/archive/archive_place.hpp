#pragma once

#include <filesystem>
#include <string>

namespace orvelt {

// The archive in the user's data folder ($XDG_DATA_HOME, normally ~/.local/share), shared by
// the window and the command-line programs: "orvelt/archive.sqlite". `xdg_data_home` and
// `home` are the environment's values, empty when unset.
std::filesystem::path Default_Archive_Path(const std::string& xdg_data_home,
                                           const std::string& home);

// The same, from the running program's environment.
std::filesystem::path Default_Archive_Path();

}  // namespace orvelt

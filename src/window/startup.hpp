#pragma once

#include <filesystem>
#include <string>

namespace orvelt {

// Where screenshots go when conf.ini sets no IMAGE_PATH, as a folder prefix ending in one
// separator. The program's own folder when the program runs from a folder of its own (its
// conf.ini lies beside it, as in a build folder) that the user can write; otherwise the user's
// Pictures folder, so that an installed program never writes beside itself, whoever runs it.
// Without a Pictures folder the program's folder stays the choice.
std::string Default_Image_Path(const std::filesystem::path& program_dir, bool program_dir_writable,
                               bool conf_ini_beside_program,
                               const std::filesystem::path& pictures_dir);

}  // namespace orvelt

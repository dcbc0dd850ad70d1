#include "archive/archive_place.hpp"

#include <cstdlib>

namespace orvelt {

std::filesystem::path Default_Archive_Path(const std::string& xdg_data_home,
                                           const std::string& home) {
  // A relative $XDG_DATA_HOME is invalid and is ignored, as the base directory rules say.
  std::filesystem::path base = xdg_data_home;
  if (base.empty() || base.is_relative()) base = std::filesystem::path(home) / ".local" / "share";
  return base / "orvelt" / "archive.sqlite";
}

std::filesystem::path Default_Archive_Path() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  return Default_Archive_Path(xdg ? xdg : "", home ? home : "");
}

}  // namespace orvelt

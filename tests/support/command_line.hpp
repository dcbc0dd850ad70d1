#pragma once

#include <string>
#include <vector>

namespace orvelt {

// A command line as one text, to name the case a check failed on.
inline std::string Command_Line_Text(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) line += argument + ' ';
  return line;
}

}  // namespace orvelt

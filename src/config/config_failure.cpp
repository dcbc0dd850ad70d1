#include "config/config_failure.hpp"

#include <string>
#include <utility>

namespace orvelt {

Failure Config_Failure(std::string_view file, int line, std::string_view reason) {
  std::string text(file);
  if (line > 0) text += ", line " + std::to_string(line);
  text += ": ";
  text += reason;
  return Failure{std::move(text)};
}

}  // namespace orvelt

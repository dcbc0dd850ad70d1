#include "config/config_error.hpp"

namespace orvelt {

std::string ConfigError::message() const {
  std::string text = file;
  if (line > 0) text += ", line " + std::to_string(line);
  text += ": ";
  text += reason;
  return text;
}

}  // namespace orvelt

#pragma once

#include <string>

namespace orvelt {

// The texts of the information window.
struct InfoContent {
  std::string caption;
  std::string title;
  std::string call_sign;
  std::string version_line;
  std::string disclaimer;
};

InfoContent Info_Content();

}  // namespace orvelt

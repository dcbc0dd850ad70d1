#pragma once

#include <string>

namespace orvelt {

// Why start-up cannot go on: the file it happened in (its full path once it has been found), the
// 1-based line (0 when the fault is not tied to one line) and a reason the user can act on.
struct ConfigError {
  std::string file;
  int line = 0;
  std::string reason;

  // "/opt/orvelt/conf.ini, line 3: setting without \"=\"" or "conf.ini: file is empty".
  std::string message() const;
};

}  // namespace orvelt

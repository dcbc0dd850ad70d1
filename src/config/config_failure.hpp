#pragma once

#include <string_view>

#include "base/result.hpp"

namespace orvelt {

// Why start-up cannot go on, naming the file it happened in (its full path once it has been
// found), the 1-based line (0 when the fault is not tied to one line) and a reason the user can
// act on: "/opt/orvelt/conf.ini, line 3: setting without \"=\"" or "conf.ini: file is empty".
Failure Config_Failure(std::string_view file, int line, std::string_view reason);

}  // namespace orvelt

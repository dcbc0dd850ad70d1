#pragma once

#include <string>
#include <string_view>

namespace orvelt {

// UTF-8 text made safe for a terminal or a log line: control characters (C0, DEL and the C1
// range, which Latin-1 bytes 0x80..0x9F become) are written as \xHH and a backslash as \\, so
// that text from the radio or from a server can neither move the cursor, set a title nor start
// a line of its own.
std::string Printable_Text(std::string_view utf8);

}  // namespace orvelt

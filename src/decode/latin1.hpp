#pragma once

#include <string>
#include <string_view>

namespace orvelt {

// Frame text is one byte per character, in the satellite's single-byte character set
// (ISO 8859-1); the models and outputs hold UTF-8.
std::string Latin1_To_Utf8(std::string_view latin1);
void Append_Latin1_As_Utf8(std::string& out, std::string_view latin1);

}  // namespace orvelt

#include "decode/latin1.hpp"

namespace orvelt {

void Append_Latin1_As_Utf8(std::string& out, std::string_view latin1) {
  for (const char ch : latin1) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
}

std::string Latin1_To_Utf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  Append_Latin1_As_Utf8(out, latin1);
  return out;
}

}  // namespace orvelt

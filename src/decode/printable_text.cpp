#include "decode/printable_text.hpp"

namespace orvelt {

std::string Printable_Text(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const bool c1 = c == 0xC2 && i + 1 < utf8.size() &&
                    static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    if (c < 0x20 || c == 0x7F || c1) {
      const unsigned code = c1 ? static_cast<unsigned char>(utf8[++i]) : c;
      text += "\\x";
      text += kHex[code >> 4];
      text += kHex[code & 0x0F];
    } else if (c == '\\') {
      text += "\\\\";
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

}  // namespace orvelt

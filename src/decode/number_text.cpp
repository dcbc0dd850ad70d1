#include "decode/number_text.hpp"

#include <charconv>
#include <cmath>

namespace orvelt {

void Append_Plain_Number(std::string& out, double value) {
  char text[32];
  // Negative zero reads as a plain 0: a sign there would claim a measurement below zero.
  const auto end = std::to_chars(text, text + sizeof text, value == 0 ? 0.0 : value,
                                 std::chars_format::general, 15)
                       .ptr;
  for (char* c = text; c != end; ++c) {
    if (*c == 'e') *c = 'E';
  }
  out.append(text, end);
}

std::string Plain_Number(double value) {
  std::string text;
  Append_Plain_Number(text, value);
  return text;
}

void Append_Shortest_Number(std::string& out, double value) {
  // Every whole double below 2^53 is exact and at most 16 digits long.
  constexpr double kExactWhole = 9007199254740992.0;
  char text[32];
  const bool whole =
      std::isfinite(value) && std::fabs(value) < kExactWhole && value == std::trunc(value);
  const auto end = whole ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                         : std::to_chars(text, text + sizeof text, value);
  out.append(text, end.ptr);
}

std::string Shortest_Number(double value) {
  std::string text;
  Append_Shortest_Number(text, value);
  return text;
}

}  // namespace orvelt

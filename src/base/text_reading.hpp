#pragma once

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <system_error>

namespace orvelt {

// `text` without the white space (space, tab, CR, LF, VT, FF) at either end.
inline std::string_view Trim(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n\v\f";
  const auto first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// The whole of `text` as a whole number in `base`; nothing when anything else is in it (a
// space, a plus sign, a point) or the number does not fit in T.
template <typename T>
std::optional<T> Read_Whole_Number(std::string_view text, int base = 10) {
  T value{};
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || error != std::errc() || at != end) return std::nullopt;
  return value;
}

// The whole of `text` as a finite decimal number ("-1.5", "1e-05"); nothing for "inf", "nan",
// hex, or anything around the number.
inline std::optional<double> Read_Finite_Number(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || at != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace orvelt

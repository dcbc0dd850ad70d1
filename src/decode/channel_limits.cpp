#include "decode/channel_limits.hpp"

#include <charconv>
#include <cmath>
#include <string_view>

#include "base/text_reading.hpp"

namespace orvelt {

namespace {

std::string Text(double value) {
  char text[32];
  return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

}  // namespace

LimitCheck Check_Limits(const ChannelLimits& limits, double value) {
  if (limits.lower && value < *limits.lower) return LimitCheck::Below;
  if (limits.upper && value > *limits.upper) return LimitCheck::Above;
  return LimitCheck::Within;
}

std::string Limits_Text(const ChannelLimits& limits) {
  if (!limits.lower && !limits.upper) return {};
  return (limits.lower ? Text(*limits.lower) : "") + ".." +
         (limits.upper ? Text(*limits.upper) : "");
}

Result<ChannelLimits> Parse_Limits(const std::string& text) {
  const std::string_view all = text;
  const std::size_t dots = all.find("..");
  if (dots == std::string_view::npos) {
    return Failure{"limits are written lower..upper, either end may be left empty"};
  }
  ChannelLimits limits;
  const std::string_view low = all.substr(0, dots), high = all.substr(dots + 2);
  const auto bad = [](std::string_view end) {
    // The text is the user's own and short; a longer one is cut so the reason stays readable.
    constexpr std::size_t kShown = 20;
    return Failure{"\"" + std::string(end.substr(0, kShown)) + (end.size() > kShown ? "..." : "") +
                   "\" is not a number"};
  };
  if (!low.empty() && !(limits.lower = Read_Finite_Number(low))) return bad(low);
  if (!high.empty() && !(limits.upper = Read_Finite_Number(high))) return bad(high);
  if (limits.lower && limits.upper && *limits.lower > *limits.upper) {
    return Failure{"the lower limit " + Text(*limits.lower) + " lies above the upper limit " +
                   Text(*limits.upper)};
  }
  return limits;
}

}  // namespace orvelt

#include "decode/time_label.hpp"

#include <chrono>
#include <cstdio>

namespace orvelt {

std::optional<std::int64_t> Parse_Time_Label(std::string_view label) {
  using namespace std::chrono;
  constexpr std::string_view kShape = "0000-00-00 00:00:00";
  if (label.size() != kShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < label.size(); ++i) {
    const bool digit = label[i] >= '0' && label[i] <= '9';
    if (kShape[i] == '0' ? !digit : label[i] != kShape[i]) return std::nullopt;
  }
  const auto number = [&](std::size_t pos, std::size_t len) {
    int n = 0;
    for (std::size_t i = pos; i < pos + len; ++i) n = n * 10 + (label[i] - '0');
    return n;
  };
  const year_month_day date{year{number(0, 4)}, month(number(5, 2)), day(number(8, 2))};
  const int h = number(11, 2), m = number(14, 2), s = number(17, 2);
  if (!date.ok() || h > 23 || m > 59 || s > 59) return std::nullopt;
  return sys_days{date}.time_since_epoch() / 1s + h * 3600 + m * 60 + s;
}

std::string Format_Time_Label(std::int64_t seconds_since_1970) {
  using namespace std::chrono;
  const sys_seconds t{seconds{seconds_since_1970}};
  const auto midnight = floor<days>(t);
  const year_month_day date{midnight};
  const hh_mm_ss clock{t - midnight};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

}  // namespace orvelt

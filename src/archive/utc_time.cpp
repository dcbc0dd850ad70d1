#include "archive/utc_time.hpp"

#include <chrono>

#include "decode/time_label.hpp"

namespace orvelt {

namespace {

// Reads exactly `digits` decimal digits at `pos`.
std::optional<int> Digits(std::string_view text, std::size_t pos, std::size_t digits) {
  if (pos + digits > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = pos; i < pos + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::optional<UtcSeconds> Parse_Utc_Time(std::string_view text) {
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  if (!year || !month || !day || text[4] != '-' || text[7] != '-') return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year(*year),
                                         std::chrono::month(static_cast<unsigned>(*month)),
                                         std::chrono::day(static_cast<unsigned>(*day))};
  if (!date.ok()) return std::nullopt;
  UtcSeconds seconds = std::chrono::sys_days(date).time_since_epoch().count() * UtcSeconds{86400};
  std::size_t pos = 10;
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    const auto hour = Digits(text, pos + 1, 2), minute = Digits(text, pos + 4, 2);
    if (!hour || !minute || text[pos + 3] != ':' || *hour > 23 || *minute > 59) {
      return std::nullopt;
    }
    seconds += *hour * 3600 + *minute * 60;
    pos += 6;
    if (pos < text.size() && text[pos] == ':') {
      const auto second = Digits(text, pos + 1, 2);
      if (!second || *second > 59) return std::nullopt;
      seconds += *second;
      pos += 3;
      if (pos < text.size() && text[pos] == '.') {
        ++pos;
        const std::size_t first = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
        if (pos == first) return std::nullopt;
      }
    }
  }
  if (pos == text.size()) return seconds;
  if (text.substr(pos) == "Z") return seconds;
  // An offset east of UTC means the moment came earlier in UTC.
  if (text.size() - pos == 6 && (text[pos] == '+' || text[pos] == '-') && text[pos + 3] == ':') {
    const auto hours = Digits(text, pos + 1, 2), minutes = Digits(text, pos + 4, 2);
    if (!hours || !minutes || *hours > 23 || *minutes > 59) return std::nullopt;
    const int offset = *hours * 3600 + *minutes * 60;
    return text[pos] == '+' ? seconds - offset : seconds + offset;
  }
  return std::nullopt;
}

UtcSeconds Utc_Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool Is_Usable_Frame_Time(UtcSeconds time, UtcSeconds now) {
  return time >= kFirstUsableFrameTime && time <= now + 86400;
}

std::string Format_Utc_Time(UtcSeconds seconds) {
  std::string text = Format_Time_Label(seconds);
  if (text.size() > 10) text[10] = 'T';
  return text + 'Z';
}

}  // namespace orvelt

#include "archive/network_fetch_rules.hpp"

#include <algorithm>

#include "net/http_answer.hpp"

namespace orvelt {

Outcome Check_Token(std::string_view token) {
  if (token.empty())
    return Failure{"the network database needs your token (see your profile there)"};
  if (Has_Control_Characters(token)) {
    return Failure{
        "the token holds a control character (a line end or tab, maybe from pasting): "
        "type it again"};
  }
  return Outcome::Done();
}

FetchAnswer Classify_Fetch_Answer(int http_status, bool first_page) {
  if (http_status == 200) return FetchAnswer::Page;
  if (http_status == 429 || http_status == 503) return FetchAnswer::Wait;
  if (http_status == 401 || http_status == 403) return FetchAnswer::TokenRefused;
  if (http_status == 404 && first_page) return FetchAnswer::UnknownSatellite;
  return FetchAnswer::Failed;
}

std::optional<std::int64_t> Fetch_Seconds_Left(UtcSeconds from, UtcSeconds to,
                                               std::optional<UtcSeconds> oldest_read,
                                               std::int64_t elapsed_ms) {
  if (!oldest_read || to <= from) return std::nullopt;
  const UtcSeconds oldest = std::clamp(*oldest_read, from, to);
  const double read = static_cast<double>(to - oldest);
  const double left = static_cast<double>(oldest - from);
  if (left <= 0) return 0;
  // A page read within its first second says little: count at least one second of range.
  const double seconds = left / std::max(read, 1.0) * static_cast<double>(elapsed_ms) / 1000.0;
  return static_cast<std::int64_t>(std::min(seconds, 1e12));
}

std::string Duration_Text(std::int64_t seconds) {
  if (seconds < 60) return "about " + std::to_string(std::max<std::int64_t>(seconds, 1)) + " s";
  const std::int64_t minutes = (seconds + 30) / 60;
  if (minutes < 60) return "about " + std::to_string(minutes) + " min";
  if (minutes < 48 * 60) {
    std::string text = "about " + std::to_string(minutes / 60) + " h";
    if (minutes % 60 != 0) text += " " + std::to_string(minutes % 60) + " min";
    return text;
  }
  return "more than 2 days";
}

}  // namespace orvelt

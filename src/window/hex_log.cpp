#include "window/hex_log.hpp"

#include <utility>

namespace orvelt {

void HexLog::Append(std::string line) {
  if (lines_.size() == kMaxLines) lines_.pop_front();
  lines_.push_back(std::move(line));
  ++total_;
}

std::string HexLog::Text() const {
  std::size_t length = 0;
  for (const auto& line : lines_) length += line.size() + 2;
  std::string text;
  text.reserve(length);
  for (const auto& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace orvelt

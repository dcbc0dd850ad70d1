#include "decode/line_log.hpp"

#include <utility>

namespace orvelt {

void LineLog::Append(std::string line) {
  bytes_ += line.size();
  lines_.push_back(std::move(line));
  ++total_;
  while (lines_.size() > kMaxLines || (bytes_ > kMaxBytes && lines_.size() > 1)) {
    bytes_ -= lines_.front().size();
    lines_.pop_front();
  }
}

void LineLog::Clear() {
  lines_.clear();
  bytes_ = 0;
}

}  // namespace orvelt

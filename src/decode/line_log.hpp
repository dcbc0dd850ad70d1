#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace orvelt {

// Text lines that keep coming (received messages): only the most recent lines are kept, by
// count and by bytes, so that a capture full of messages cannot grow memory without limit.
class LineLog {
 public:
  static constexpr std::size_t kMaxLines = 100000;
  static constexpr std::size_t kMaxBytes = std::size_t{16} << 20;

  void Append(std::string line);

  std::size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  // Line i of the kept lines, 0 the oldest.
  const std::string& operator[](std::size_t i) const { return lines_[i]; }

  // Forgets every kept line; the count of lines ever appended goes on.
  void Clear();

  // Lines ever appended, also those already dropped: lets a viewer append only what is new.
  std::uint64_t total_appended() const { return total_; }
  std::uint64_t dropped() const { return total_ - lines_.size(); }

 private:
  std::deque<std::string> lines_;
  std::size_t bytes_ = 0;
  std::uint64_t total_ = 0;
};

}  // namespace orvelt

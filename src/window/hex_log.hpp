#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace orvelt {

// The hex log of the `Debug` box: one line per decoded frame. It keeps only the most recent
// lines so that many loads in one run do not grow memory without limit; appending is
// amortised constant time.
class HexLog {
 public:
  static constexpr std::size_t kMaxLines = 100000;

  void Append(std::string line);

  std::size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  const std::string& operator[](std::size_t i) const { return lines_[i]; }
  auto begin() const { return lines_.begin(); }
  auto end() const { return lines_.end(); }

  // Lines ever appended, also those already dropped: lets a viewer append only what is new.
  std::uint64_t total_appended() const { return total_; }

  // The box's text: every kept line followed by CR LF.
  std::string Text() const;

 private:
  std::deque<std::string> lines_;
  std::uint64_t total_ = 0;
};

}  // namespace orvelt

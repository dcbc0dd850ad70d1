#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

namespace orvelt {

// Two upper-case hex digits of b.
std::string Byte_To_Hex(std::uint8_t b);

// The hex line of a frame: two upper-case digits and a blank per byte.
std::string Hex_Line(std::span<const std::uint8_t> frame);

// The hex log of the `Debug` box: one line per decoded frame. It keeps the frames' bytes and
// formats a line when it is read, and it keeps only the most recent lines, so that a load
// costs one copy per frame and many loads in one run do not grow memory without limit.
class HexLog {
 public:
  static constexpr std::size_t kMaxLines = 100000;

  void Append(std::span<const std::uint8_t> frame);

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Line i of the kept lines, 0 the oldest, without the line break.
  std::string Line(std::size_t i) const;

  // Lines ever appended, also those already dropped: lets a viewer append only what is new.
  std::uint64_t total_appended() const { return total_; }

  // The box's text: every kept line followed by CR LF.
  std::string Text() const;

 private:
  static constexpr std::size_t kChunkLines = 1024;
  struct Chunk {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> ends;  // end offset of each frame in `bytes`
  };

  std::deque<Chunk> chunks_;
  std::size_t first_ = 0;  // dropped lines at the front of the first chunk
  std::size_t size_ = 0;
  std::uint64_t total_ = 0;
};

}  // namespace orvelt

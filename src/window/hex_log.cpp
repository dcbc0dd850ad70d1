#include "window/hex_log.hpp"

namespace orvelt {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void Append_Hex(std::string& out, std::span<const std::uint8_t> frame) {
  const std::size_t at = out.size();
  out.resize(at + frame.size() * 3, ' ');
  char* p = out.data() + at;
  for (const std::uint8_t b : frame) {
    p[0] = kHexDigits[b >> 4];
    p[1] = kHexDigits[b & 0x0F];
    p += 3;
  }
}

}  // namespace

std::string Byte_To_Hex(std::uint8_t b) {
  return {kHexDigits[b >> 4], kHexDigits[b & 0x0F]};
}

std::string Hex_Line(std::span<const std::uint8_t> frame) {
  std::string line;
  Append_Hex(line, frame);
  return line;
}

void HexLog::Append(std::span<const std::uint8_t> frame) {
  if (chunks_.empty() || chunks_.back().ends.size() == kChunkLines) {
    chunks_.emplace_back();
    chunks_.back().ends.reserve(kChunkLines);
    chunks_.back().bytes.reserve(kChunkLines * 32);
  }
  Chunk& chunk = chunks_.back();
  chunk.bytes.insert(chunk.bytes.end(), frame.begin(), frame.end());
  chunk.ends.push_back(static_cast<std::uint32_t>(chunk.bytes.size()));
  ++total_;
  if (++size_ > kMaxLines) {
    --size_;
    if (++first_ == chunks_.front().ends.size()) {
      chunks_.pop_front();
      first_ = 0;
    }
  }
}

std::string HexLog::Line(std::size_t i) const {
  const std::size_t at = first_ + i;
  const Chunk& chunk = chunks_[at / kChunkLines];
  const std::size_t k = at % kChunkLines;
  const std::uint32_t begin = k == 0 ? 0 : chunk.ends[k - 1];
  return Hex_Line(std::span(chunk.bytes).subspan(begin, chunk.ends[k] - begin));
}

std::string HexLog::Text() const {
  std::string text;
  for (std::size_t i = 0; i < size_; ++i) {
    text += Line(i);
    text += "\r\n";
  }
  return text;
}

}  // namespace orvelt

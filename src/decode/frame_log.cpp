#include "decode/frame_log.hpp"

#include <algorithm>

namespace orvelt {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

std::string Hex_Line(std::span<const std::uint8_t> frame) {
  std::string line(frame.size() * 3, ' ');
  char* p = line.data();
  for (const std::uint8_t b : frame) {
    p[0] = kHexDigits[b >> 4];
    p[1] = kHexDigits[b & 0x0F];
    p += 3;
  }
  return line;
}

void FrameLog::Begin_File(std::string_view file) {
  // A file read again right after itself (a load repeated) needs no second name.
  if (files_.empty() || files_.back() != file) files_.emplace_back(file);
}

void FrameLog::Append(std::span<const std::uint8_t> frame, std::string_view label,
                      const FrameOutcome& outcome, std::int64_t file_frame) {
  if (chunks_.empty() || chunks_.back().meta.size() == kChunkLines) {
    chunks_.emplace_back();
    chunks_.back().meta.reserve(kChunkLines);
    chunks_.back().bytes.reserve(kChunkLines * 32);
  }
  Chunk& chunk = chunks_.back();
  chunk.bytes.insert(chunk.bytes.end(), frame.begin(), frame.end());
  // Filled in place: a copy of a freshly written entry would stall on its partial writes.
  Meta& meta = chunk.meta.emplace_back();
  meta.end = static_cast<std::uint32_t>(chunk.bytes.size());
  const bool from_file = file_frame > 0 && !files_.empty();
  meta.file = from_file ? static_cast<std::uint32_t>(files_.size() - 1) : kNoFile;
  meta.number = from_file ? file_frame : ++received_;
  meta.kind = outcome.kind;
  meta.type = outcome.type;
  meta.selector = outcome.selector;
  meta.problem = outcome.problem;
  label = Stored_Part(label);
  if (chunk.labels.empty() || !chunk.labels.back().Holds(label)) {
    chunk.labels.emplace_back().Assign(label);
  }
  meta.label = static_cast<std::uint16_t>(chunk.labels.size() - 1);
  ++total_;
  ++size_;
  bytes_ += frame.size();
  while (size_ > kMaxLines || bytes_ > kMaxBytes) Drop_Oldest();
}

void FrameLog::Drop_Oldest() {
  Chunk& front = chunks_.front();
  const std::uint32_t begin = first_ == 0 ? 0 : front.meta[first_ - 1].end;
  bytes_ -= front.meta[first_].end - begin;
  --size_;
  if (++first_ == front.meta.size()) {
    chunks_.pop_front();
    first_ = 0;
  }
}

void FrameLog::Clear() {
  chunks_.clear();
  first_ = 0;
  size_ = 0;
  bytes_ = 0;
  cleared_at_ = total_;
  files_.clear();
  received_ = 0;
}

FrameLogEntry FrameLog::Entry(std::size_t i) const {
  const std::size_t at = first_ + i;
  const Chunk& chunk = chunks_[at / kChunkLines];
  const std::size_t k = at % kChunkLines;
  const std::uint32_t begin = k == 0 ? 0 : chunk.meta[k - 1].end;
  const Meta& m = chunk.meta[k];
  return {m.file == kNoFile ? std::string_view() : std::string_view(files_[m.file]),
          m.number,
          std::span(chunk.bytes).subspan(begin, m.end - begin),
          chunk.labels[m.label].view(),
          m.kind,
          m.type,
          m.selector,
          m.problem};
}

}  // namespace orvelt

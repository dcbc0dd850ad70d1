#include "decode/frame_log.hpp"

#include "decode/short_copy.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

FrameLog::Chunk::Chunk()
    : bytes(std::make_unique_for_overwrite<std::uint8_t[]>(kChunkLines * 16)),
      bytes_capacity(kChunkLines * 16),
      lines(std::make_unique_for_overwrite<LineInfo[]>(kChunkLines)) {}

FrameLog::Chunk& FrameLog::Make_Room(std::size_t frame_bytes) {
  if (!tail_ || tail_->line_count == kChunkLines) {
    std::unique_ptr<Chunk> chunk = spare_ ? std::move(spare_) : std::make_unique<Chunk>();
    chunk->bytes_used = 0;
    chunk->line_count = 0;
    chunk->labels.clear();
    chunk->sources.clear();
    tail_ = chunk.get();
    chunks_.push_back(std::move(chunk));
  }
  Chunk& chunk = *tail_;
  if (chunk.bytes_used + frame_bytes > chunk.bytes_capacity) {
    const std::size_t capacity = std::max(2 * chunk.bytes_capacity, chunk.bytes_used + frame_bytes);
    auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    std::memcpy(bytes.get(), chunk.bytes.get(), chunk.bytes_used);
    chunk.bytes = std::move(bytes);
    chunk.bytes_capacity = capacity;
  }
  return chunk;
}

std::int64_t FrameLog::Append_Line(std::span<const std::uint8_t> frame, std::string_view label,
                                   LineFacts facts, std::int64_t file_frame) {
  Chunk* chunk = tail_;
  const std::size_t n = frame.size();
  if (!chunk || chunk->line_count == kChunkLines || chunk->bytes_used + n > chunk->bytes_capacity) {
    chunk = &Make_Room(n);
  }
  const std::size_t end = chunk->bytes_used + n;
  Copy_Short(chunk->bytes.get() + chunk->bytes_used, frame.data(), n);
  chunk->bytes_used = end;
  chunk_bytes_ += n;

  Take_Label(*chunk, label);
  const bool from_file = file_frame > 0 && !files_.empty();
  const std::uint32_t file = from_file ? static_cast<std::uint32_t>(files_.size() - 1) : kNoFile;
  const std::int64_t number = from_file ? file_frame : ++received_;
  if (chunk->sources.empty() || chunk->sources.back().file != file ||
      number < chunk->sources.back().first_number ||
      number - chunk->sources.back().first_number > std::int64_t{UINT32_MAX}) {
    chunk->sources.push_back({file, number});
  }

  LineInfo& line = chunk->lines[chunk->line_count++];
  line.end = static_cast<std::uint32_t>(end);
  line.number = static_cast<std::uint32_t>(number - chunk->sources.back().first_number);
  line.source = static_cast<std::uint16_t>(chunk->sources.size() - 1);
  line.label = static_cast<std::uint16_t>(chunk->labels.size() - 1);
  line.facts = facts;
  // The next frame of a run (Append_Run) may continue this line's while its number can count on.
  const bool continuable = line.number < std::uint32_t{UINT32_MAX};
  Count_In(1);
  return !continuable ? -1 : from_file ? number + 1 : file_frame == 0 ? 0 : -1;
}

void FrameLog::Append_Run(const std::uint8_t* base, std::uint32_t begin,
                          std::span<const std::uint32_t> ends, const LineFacts* facts,
                          std::string_view label, std::int64_t first_file_frame) {
  const auto number = [&](std::size_t k) {
    return first_file_frame > 0 ? first_file_frame + static_cast<std::int64_t>(k) : 0;
  };
  for (std::size_t k = 0; k < ends.size();) {
    // The first frame of each piece goes the general way, which takes the label and the source
    // and finds a chunk with room.
    const std::uint32_t first = k == 0 ? begin : ends[k - 1];
    const std::int64_t continued_by =
        Append_Line({base + first, ends[k] - first}, label, facts[k], number(k));
    ++k;
    if (continued_by != number(k)) continue;
    Chunk& chunk = *tail_;
    // The frames after it continue its line while the chunk has room: their lines differ only
    // in their ends, numbers and facts, and their bytes are copied at once.
    const std::uint32_t from = ends[k - 1];
    const std::size_t room_bytes = chunk.bytes_capacity - chunk.bytes_used;
    LineInfo line = chunk.lines[chunk.line_count - 1];
    const std::size_t room_lines =
        std::min<std::size_t>(kChunkLines - chunk.line_count, UINT32_MAX - line.number - 1);
    const std::size_t last = std::min(ends.size(), k + room_lines);
    std::size_t m = k;
    for (; m < last && ends[m] - from <= room_bytes; ++m) {
      line.end = static_cast<std::uint32_t>(chunk.bytes_used + (ends[m] - from));
      ++line.number;
      line.facts = facts[m];
      chunk.lines[chunk.line_count + (m - k)] = line;
    }
    const std::size_t lines = m - k;
    if (lines == 0) continue;
    const std::size_t bytes = ends[m - 1] - from;
    std::memcpy(chunk.bytes.get() + chunk.bytes_used, base + from, bytes);
    chunk.bytes_used += bytes;
    chunk.line_count += lines;
    chunk_bytes_ += bytes;
    if (first_file_frame == 0) received_ += static_cast<std::int64_t>(lines);
    Count_In(lines);
    k = m;
  }
}

void FrameLog::Count_In(std::size_t lines) {
  total_ += lines;
  // The oldest frames go first, until both bounds hold again. The kept bytes are never more
  // than the chunks' bytes, so they need counting only once the chunks hold more than the
  // bound.
  const std::size_t grown = std::min(lines, kMaxLines - size_);
  size_ += grown;
  // The lines past the bound are passed a chunk at a time.
  for (std::size_t left = lines - grown; left > 0;) {
    const std::size_t passed = std::min(left, chunks_.front()->line_count - first_);
    first_ += passed;
    left -= passed;
    if (first_ >= chunks_.front()->line_count) Drop_Front();
  }
  if (chunk_bytes_ > kMaxBytes) Keep_Bytes_Bound();
}

void FrameLog::Take_Label(Chunk& chunk, std::string_view label) {
  label = Stored_Part(label);
  if (chunk.labels.empty() || !chunk.labels.back().Holds(label)) {
    chunk.labels.emplace_back().Assign(label);
  }
}

void FrameLog::Keep_Bytes_Bound() {
  while (chunk_bytes_ > kMaxBytes && Kept_Bytes() > kMaxBytes) {
    --size_;
    Pass_Oldest();
  }
}

std::size_t FrameLog::Kept_Bytes() const {
  return first_ == 0 ? chunk_bytes_ : chunk_bytes_ - chunks_.front()->lines[first_ - 1].end;
}

void FrameLog::Drop_Front() {
  Chunk& front = *chunks_.front();
  chunk_bytes_ -= front.bytes_used;
  if (&front == tail_) tail_ = nullptr;
  spare_ = std::move(chunks_.front());
  chunks_.pop_front();
  first_ = 0;
}

void FrameLog::Clear() {
  chunks_.clear();
  tail_ = nullptr;
  first_ = 0;
  size_ = 0;
  chunk_bytes_ = 0;
  cleared_at_ = total_;
  files_.clear();
  received_ = 0;
}

FrameLogEntry FrameLog::Entry(std::size_t i) const {
  const std::size_t at = first_ + i;
  const Chunk& chunk = *chunks_[at / kChunkLines];
  const std::size_t k = at % kChunkLines;
  const std::uint32_t begin = k == 0 ? 0 : chunk.lines[k - 1].end;
  const LineInfo& line = chunk.lines[k];
  const Source& source = chunk.sources[line.source];
  return {source.file == kNoFile ? std::string_view() : std::string_view(files_[source.file]),
          source.first_number + line.number,
          std::span<const std::uint8_t>(chunk.bytes.get() + begin, line.end - begin),
          chunk.labels[line.label].view(),
          line.facts.kind,
          line.facts.type,
          line.facts.selector,
          line.facts.problem};
}

}  // namespace orvelt

#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "decode/downlink.hpp"

namespace orvelt {

// KISS framing: FEND separates frames; inside a frame FEND is sent as FESC TFEND and FESC as
// FESC TFESC.
inline constexpr std::uint8_t kFend = 0xC0;
inline constexpr std::uint8_t kFesc = 0xDB;
inline constexpr std::uint8_t kTfend = 0xDC;
inline constexpr std::uint8_t kTfesc = 0xDD;

// Appends FEND, the frame with its FEND and FESC bytes escaped, and FEND to `out`.
void Kiss_Encode(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& out);

// Cuts a byte stream into unescaped frames, whatever pieces the bytes arrive in (chunks of a
// file, reads of a socket or serial line). A frame is what stands between two FENDs; empty
// pieces are skipped, and the bytes after the last FEND wait for the next one. Escapes are
// undone in one scan, so a byte made by unescaping never starts another pair, and a FESC before
// any byte but TFEND or TFESC (or before the closing FEND) stays as it is. A frame longer than
// 512 bytes keeps only its first 512 bytes and is handed on with its full length, so no
// frame, however long, is buffered beyond that.
class KissDeframer {
 public:
  // Feeds bytes; calls `on_frame(stored, full_length)` for every frame they complete, `stored`
  // being the first min(full_length, 512) bytes. When `on_frame` returns false, stops right
  // after that frame. Returns the number of bytes consumed.
  template <typename OnFrame>
  std::size_t Feed(std::span<const std::uint8_t> bytes, OnFrame&& on_frame);

  // Raw bytes received since the last FEND: an unfinished frame.
  std::uint64_t Pending_Bytes() const { return pending_raw_; }

  // Forgets an unfinished frame (a new connection or file starts clean).
  void Reset() {
    length_ = 0;
    pending_raw_ = 0;
    escape_ = false;
  }

 private:
  void Put(std::uint8_t b) {
    if (length_ < buffer_.size()) buffer_[length_] = b;
    ++length_;
  }
  void Put_Run(const std::uint8_t* from, const std::uint8_t* to) {
    const auto n = static_cast<std::size_t>(to - from);
    if (length_ < buffer_.size()) {
      const std::size_t kept = std::min(n, buffer_.size() - length_);
      // Telemetry frames are a few bytes long: a plain loop beats a block copy's start-up.
      if (kept <= kShortRun) {
        std::uint8_t* const into = buffer_.data() + length_;
        for (std::size_t i = 0; i < kept; ++i) into[i] = from[i];
      } else {
        std::memcpy(buffer_.data() + length_, from, kept);
      }
    }
    length_ += n;
  }
  static constexpr std::size_t kShortRun = 32;
  void Unescape(const std::uint8_t* p, const std::uint8_t* end);

  std::array<std::uint8_t, kFrameCapacity> buffer_{};
  std::size_t length_ = 0;         // unescaped length, may exceed the buffer
  std::uint64_t pending_raw_ = 0;  // raw bytes of the unfinished frame
  bool escape_ = false;            // the last byte seen was a FESC
};

inline void KissDeframer::Unescape(const std::uint8_t* p, const std::uint8_t* end) {
  while (p < end) {
    if (escape_) {
      escape_ = false;
      if (*p == kTfend || *p == kTfesc) {
        Put(*p == kTfend ? kFend : kFesc);
        ++p;
        continue;
      }
      Put(kFesc);  // a FESC before any other byte stays; that byte is read on its own
    }
    const auto* fesc =
        static_cast<const std::uint8_t*>(std::memchr(p, kFesc, static_cast<std::size_t>(end - p)));
    const std::uint8_t* run_end = fesc ? fesc : end;
    Put_Run(p, run_end);
    p = run_end;
    if (fesc) {
      escape_ = true;
      ++p;
    }
  }
}

template <typename OnFrame>
std::size_t KissDeframer::Feed(std::span<const std::uint8_t> bytes, OnFrame&& on_frame) {
  const std::uint8_t* const begin = bytes.data();
  const std::uint8_t* const end = begin + bytes.size();
  const std::uint8_t* p = begin;
  while (p != end) {
    const auto* fend =
        static_cast<const std::uint8_t*>(std::memchr(p, kFend, static_cast<std::size_t>(end - p)));
    const std::uint8_t* piece_end = fend ? fend : end;
    Unescape(p, piece_end);
    pending_raw_ += static_cast<std::uint64_t>(piece_end - p);
    if (!fend) return bytes.size();
    p = fend + 1;
    if (escape_) {
      Put(kFesc);  // a FESC that ends a frame stays
      escape_ = false;
    }
    const bool empty = pending_raw_ == 0;
    const std::size_t length = length_;
    length_ = 0;
    pending_raw_ = 0;
    if (empty) continue;
    const std::span<const std::uint8_t> stored(buffer_.data(), std::min(length, buffer_.size()));
    if (!on_frame(stored, length)) return static_cast<std::size_t>(p - begin);
  }
  return bytes.size();
}

}  // namespace orvelt

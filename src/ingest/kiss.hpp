#pragma once

#include <algorithm>
#include <array>
#include <bit>
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
  static constexpr auto kKept = static_cast<std::size_t>(kFrameCapacity);
  static constexpr std::size_t kWordBytes = sizeof(std::uint64_t);

  // Frames hold a few bytes between escapes, so plain bytes are copied a whole word at a time;
  // the last word may run up to a word past the 512 bytes kept.
  std::array<std::uint8_t, kKept + kWordBytes> buffer_{};
  std::size_t length_ = 0;         // unescaped length, may exceed the bytes kept
  std::uint64_t pending_raw_ = 0;  // raw bytes of the unfinished frame
  bool escape_ = false;            // the last byte seen was a FESC
};

template <typename OnFrame>
std::size_t KissDeframer::Feed(std::span<const std::uint8_t> bytes, OnFrame&& on_frame) {
  const std::uint8_t* const begin = bytes.data();
  const std::uint8_t* const end = begin + bytes.size();
  const std::uint8_t* p = begin;
  const std::uint8_t* piece = begin;  // where the unfinished frame's bytes start in this call
  // The frame being built is kept in locals while bytes are scanned, and in the members between
  // calls.
  std::uint8_t* const out = buffer_.data();
  std::size_t length = length_;
  const auto put = [&](std::uint8_t b) {
    if (length < kKept) out[length] = b;
    ++length;
  };
  // The byte after a FESC: TFEND and TFESC are taken with it; any other byte stays to be read
  // on its own, and the FESC stays as it is.
  const auto unescape = [&] {
    if (*p == kTfend || *p == kTfesc) {
      put(*p == kTfend ? kFend : kFesc);
      ++p;
    } else {
      put(kFesc);
    }
  };
  // Copies the bytes up to the next FEND or FESC (or the end) into the frame.
  const auto copy_plain = [&] {
    if constexpr (std::endian::native == std::endian::little) {
      // A byte of the word is FEND or FESC where the word XORed with that byte has a zero
      // byte. The zero-byte test can also mark a byte above a true zero, never one below it,
      // so its lowest mark is exactly the first FEND or FESC.
      using Word = std::uint64_t;
      constexpr Word kOnes = ~Word{0} / 0xFF;
      constexpr Word kHighBits = kOnes * 0x80;
      const auto zero_bytes = [](Word v) { return (v - kOnes) & ~v & kHighBits; };
      while (static_cast<std::size_t>(end - p) >= kWordBytes) {
        Word word;
        std::memcpy(&word, p, kWordBytes);
        const Word marks = zero_bytes(word ^ (kOnes * kFend)) | zero_bytes(word ^ (kOnes * kFesc));
        if (length < kKept) std::memcpy(out + length, &word, kWordBytes);
        if (marks != 0) {
          const auto plain = static_cast<std::size_t>(std::countr_zero(marks)) / 8;
          length += plain;
          p += plain;
          return;
        }
        length += kWordBytes;
        p += kWordBytes;
      }
    }
    for (; p != end && *p != kFend && *p != kFesc; ++p) put(*p);
  };

  if (escape_ && p != end) {
    escape_ = false;
    unescape();
  }
  for (;;) {
    copy_plain();
    if (p == end) break;
    if (*p == kFesc) {
      if (++p == end) {
        escape_ = true;
        break;
      }
      unescape();
      continue;
    }
    // A FEND: the frame before it is complete, unless nothing at all stood there.
    const bool empty = pending_raw_ == 0 && p == piece;
    const std::size_t full_length = length;
    length = 0;
    pending_raw_ = 0;
    piece = ++p;
    if (!empty) {
      const std::span<const std::uint8_t> stored(out, std::min(full_length, kKept));
      if (!on_frame(stored, full_length)) {
        length_ = 0;
        return static_cast<std::size_t>(p - begin);
      }
    }
    // Frames are commonly written with a FEND at both ends: the empty pieces between are
    // passed over at once.
    while (p != end && *p == kFend) piece = ++p;
  }
  length_ = length;
  pending_raw_ += static_cast<std::uint64_t>(end - piece);
  return bytes.size();
}

}  // namespace orvelt

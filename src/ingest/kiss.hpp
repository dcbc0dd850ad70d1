#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "decode/downlink.hpp"
#include "decode/frame_batch.hpp"

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
  std::size_t Feed(std::span<const std::uint8_t> bytes, OnFrame&& on_frame) {
    return Scan(bytes, CallbackSink<OnFrame>{buffer_.data(), on_frame});
  }

  // Feeds bytes, adding every frame they complete to `batch`, which must not be full, and stops
  // right after the frame that fills it. Returns the number of bytes consumed.
  std::size_t Feed(std::span<const std::uint8_t> bytes, FrameBatch& batch) {
    // The unfinished frame is kept here between calls and goes on at the batch's tail.
    std::memcpy(batch.Tail(), buffer_.data(), std::min(length_, kKept));
    const std::size_t used = Scan(bytes, BatchSink{FrameBatch::Filler(batch)});
    std::memcpy(buffer_.data(), batch.Tail(), std::min(length_, kKept));
    return used;
  }

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
  // Plain bytes are found a block at a time and copied in pieces of a fixed size, which may
  // write past the frame's end and read past the plain bytes, never past the block's end by
  // more than one piece.
  static constexpr std::size_t kBlock = 64;
  static constexpr std::size_t kPiece = 16;
  static_assert(kBlock + kPiece <= FrameBatch::kWriteSlack);

  template <typename OnFrame>
  struct CallbackSink {
    std::uint8_t* buffer;
    OnFrame& on_frame;
    std::uint8_t* Out() const { return buffer; }
    bool Take(std::size_t full_length) {
      return on_frame(std::span<const std::uint8_t>(buffer, std::min(full_length, kKept)),
                      full_length);
    }
    void Finish() const {}
  };
  struct BatchSink {
    FrameBatch::Filler batch;
    std::uint8_t* Out() const { return batch.Tail(); }
    bool Take(std::size_t full_length) { return batch.Close_Frame(full_length); }
    void Finish() const { batch.Finish(); }
  };

  // Marks the FEND and FESC bytes of p[0..64): bit i for byte i. The bytes are compared in a
  // plain loop, which compilers turn into compares of many bytes at once, and the flags are then
  // gathered eight at a time.
  static std::uint64_t Special_Bytes(const std::uint8_t* p) {
    std::array<std::uint8_t, kBlock> flags;
    for (std::size_t i = 0; i < kBlock; ++i) flags[i] = (p[i] == kFend) | (p[i] == kFesc);
    return Gather(flags.data(), std::make_index_sequence<kBlock / 8>());
  }
  template <std::size_t... kWord>
  static std::uint64_t Gather(const std::uint8_t* flags, std::index_sequence<kWord...>) {
    return ((Gather_Word(flags + 8 * kWord) << (8 * kWord)) | ...);
  }
  // Eight flags of 0 or 1 into eight bits, byte i's into bit i: the product adds each flag into
  // its own bit of the top byte, with no carries.
  static std::uint64_t Gather_Word(const std::uint8_t* flags) {
    constexpr std::uint64_t kGather = 0x0102040810204080;
    std::uint64_t word;
    std::memcpy(&word, flags, 8);
    return (word * kGather) >> 56;
  }

  // The sink is the scan's own copy, and so are the other fields it changes while it runs:
  // what lives only in the scan's frame stays in registers across the bytes it writes.
  template <typename Sink>
  std::size_t Scan(std::span<const std::uint8_t> bytes, Sink sink);

  // Holds the unfinished frame between calls; the slack takes the copies' overrun.
  std::array<std::uint8_t, kKept + FrameBatch::kWriteSlack> buffer_{};
  std::size_t length_ = 0;         // unescaped length, may exceed the bytes kept
  std::uint64_t pending_raw_ = 0;  // raw bytes of the unfinished frame
  bool escape_ = false;            // the last byte seen was a FESC
};

template <typename Sink>
std::size_t KissDeframer::Scan(std::span<const std::uint8_t> bytes, Sink sink) {
  const std::uint8_t* const begin = bytes.data();
  const std::uint8_t* const end = begin + bytes.size();
  const std::uint8_t* p = begin;
  const std::uint8_t* piece = begin;  // where the unfinished frame's bytes start in this call
  // The frame being built is kept in locals while bytes are scanned, and in the members between
  // calls.
  std::uint8_t* out = sink.Out();
  std::size_t length = length_;
  std::uint64_t pending_raw = pending_raw_;
  const auto put = [&](std::uint8_t b) {
    if (length < kKept) out[length] = b;
    ++length;
  };
  // Copies n plain bytes, n at most a block. Most pieces fit in one copy, which is made whatever
  // n is: past the bytes kept it lands in the slack, as the rest of any copy may.
  const auto copy = [&](const std::uint8_t* from, std::size_t n) {
    std::memcpy(out + std::min(length, kKept), from, kPiece);
    if (n > kPiece && length < kKept) {
      for (std::size_t k = kPiece; k < n; k += kPiece) {
        std::memcpy(out + length + k, from + k, kPiece);
      }
    }
    length += n;
  };
  // The byte after a FESC, at `at`: TFEND and TFESC are taken with it, and the next byte to
  // read is returned; any other byte stays to be read on its own, and the FESC stays as it is.
  const auto unescape = [&](const std::uint8_t* at) {
    if (*at == kTfend || *at == kTfesc) {
      put(*at == kTfend ? kFend : kFesc);
      return at + 1;
    }
    put(kFesc);
    return at;
  };
  // The FEND at `at` completes the frame before it, unless nothing at all stood there. False
  // when the sink takes no more.
  const auto end_frame = [&](const std::uint8_t* at) {
    const std::size_t full_length = length;
    length = 0;
    pending_raw = 0;
    piece = at + 1;
    if (full_length == 0) return true;
    const bool more = sink.Take(full_length);
    out = sink.Out();
    return more;
  };
  const auto stop = [&](const std::uint8_t* after) {
    sink.Finish();
    length_ = 0;
    pending_raw_ = 0;
    escape_ = false;
    return static_cast<std::size_t>(after - begin);
  };

  if (escape_ && p != end) {
    escape_ = false;
    p = unescape(p);
  }
  if constexpr (std::endian::native == std::endian::little) {
    while (static_cast<std::size_t>(end - p) >= kBlock + kPiece) {
      const std::uint8_t* const block = p;
      const std::uint8_t* plain = p;  // the first byte not yet taken
      for (std::uint64_t marks = Special_Bytes(block); marks != 0; marks &= marks - 1) {
        // A byte taken with the FESC before it is TFEND or TFESC, which is never marked, so
        // every mark lies at or past the first byte not yet taken.
        const int mark = std::countr_zero(marks);
        const std::uint8_t* const at = block + mark;
        copy(plain, static_cast<std::size_t>(at - plain));
        if (*at == kFend) {
          if (!end_frame(at)) return stop(at + 1);
          plain = at + 1;
          // Files hold their frames as FEND, frame, FEND: the FEND that opens the next frame
          // mostly follows at once and ends nothing, so it is taken with this one. Past the
          // block, it is passed over where the next block starts.
          if (*plain == kFend) {
            marks &= ~(std::uint64_t{2} << mark);
            piece = ++plain;
          }
        } else {
          plain = unescape(at + 1);
        }
      }
      p = block + kBlock;
      if (plain < p) copy(plain, static_cast<std::size_t>(p - plain));
      p = std::max(p, plain);
    }
  }
  while (p != end) {
    if (*p == kFend) {
      if (!end_frame(p)) return stop(p + 1);
      ++p;
    } else if (*p == kFesc) {
      if (++p == end) {
        escape_ = true;
        break;
      }
      p = unescape(p);
    } else {
      put(*p++);
    }
  }
  sink.Finish();
  length_ = length;
  pending_raw_ = pending_raw + static_cast<std::uint64_t>(end - piece);
  return bytes.size();
}

}  // namespace orvelt

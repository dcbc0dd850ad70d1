#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "decode/downlink.hpp"
#include "decode/frame_outcome.hpp"

namespace orvelt {

// Frames as a deframer cut them from a stretch of bytes, kept one after another: the bytes of
// each (at most 512) and its full length. A load gathers frames here and takes them in one
// pass, where handing the frames over one call at a time costs more than decoding them.
class FrameBatch {
 public:
  static constexpr std::size_t kMaxFrames = 1024;
  // A deframer writes a frame's bytes in words and blocks, up to this many bytes past the 512
  // it keeps.
  static constexpr std::size_t kWriteSlack = 128;

  // Where the next frame's bytes go while it is being cut, with room for 512 bytes and the
  // slack; the batch must not be full.
  std::uint8_t* Tail() { return bytes_.data() + used_; }

  // Adds frames to a batch from a loop that writes their bytes. It keeps the count and the
  // bytes used in itself, where no byte written through a pointer can be taken to change them,
  // so that they stay in registers; they are the batch's again after Finish().
  class Filler {
   public:
    explicit Filler(FrameBatch& batch) : batch_(&batch), count_(batch.count_), used_(batch.used_) {}
    // As the batch's Tail().
    std::uint8_t* Tail() const { return batch_->bytes_.data() + used_; }
    // Adds the frame whose bytes were written at Tail(): its first min(full_length, 512) bytes.
    // Returns whether the batch has room for another.
    bool Close_Frame(std::size_t full_length) {
      used_ += std::min(full_length, static_cast<std::size_t>(kFrameCapacity));
      batch_->ends_[count_] = static_cast<std::uint32_t>(used_);
      batch_->full_lengths_[count_++] = full_length;
      return !Is_Full(count_, used_);
    }
    void Finish() const {
      batch_->count_ = count_;
      batch_->used_ = used_;
    }

   private:
    FrameBatch* batch_;
    std::size_t count_;
    std::size_t used_;
  };
  void Clear() {
    count_ = 0;
    used_ = 0;
  }

  std::size_t size() const { return count_; }
  // Frame i's bytes are Bytes()[Begin(i)..Ends()[i]).
  const std::uint8_t* Bytes() const { return bytes_.data(); }
  std::span<const std::uint32_t> Ends() const { return {ends_.data(), count_}; }
  std::uint32_t Begin(std::size_t i) const { return i == 0 ? 0 : ends_[i - 1]; }
  std::span<const std::uint8_t> Stored(std::size_t i) const {
    return {bytes_.data() + Begin(i), ends_[i] - Begin(i)};
  }
  std::size_t Full_Length(std::size_t i) const { return full_lengths_[i]; }

 private:
  static constexpr std::size_t kBytes = std::size_t{32} << 10;
  // No room for one more frame of any length.
  static bool Is_Full(std::size_t count, std::size_t used) {
    return count == kMaxFrames || used + static_cast<std::size_t>(kFrameCapacity) > kBytes;
  }
  // Only what was written is read: a batch made for overwriting leaves these unset.
  std::array<std::uint8_t, kBytes + kWriteSlack> bytes_;
  std::array<std::uint32_t, kMaxFrames> ends_;
  std::array<std::size_t, kMaxFrames> full_lengths_;
  std::size_t count_ = 0;
  std::size_t used_ = 0;
};

// What became of the frames of a batch, as a load reports them.
struct BatchOutcome {
  std::size_t taken = 0;  // frames taken: all, unless one found the store full
  std::size_t time_labels = 0;
  std::size_t other_stations = 0;
  // Frames that could not be taken in whole, by their place in the batch; the last is the
  // frame that found the store full, if one did.
  std::vector<std::pair<std::size_t, FrameProblem>> problems;
  int full_channel = -1;  // the channel that was full
};

}  // namespace orvelt

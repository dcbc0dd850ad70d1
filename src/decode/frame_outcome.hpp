#pragma once

#include <array>
#include <cstdint>

namespace orvelt {

// What kind of frame the decoder took a frame for. Frames of other stations, and anything else
// that is none of the satellite's kinds, are `Other`.
enum class FrameKind : std::uint8_t { Other, Counter, Message, Sensor };

// Why a frame could not be taken in whole.
enum class FrameProblem : std::uint8_t {
  None,
  FrameTooLong,          // more than 512 bytes after unescaping
  ValueOutOfRange,       // counter or switchboard word with its top bit set
  StatusCodeOutOfRange,  // switchboard status code 17 or more
  MessageTooShort,       // message frame of 8 bytes or fewer
  RecordTooShort,        // record bytes missing at the end of the frame
  StoreFull,             // a channel already holds 5000 samples
  IncompleteLastFrame,   // bytes after the last FEND of a file: no frame
};
inline constexpr int kFrameProblemCount = 8;

const char* Problem_Text(FrameProblem problem);

struct ChannelValue {
  int channel = -1;
  double value = 0;
};

// What became of one frame: its kind, the values it appended, and its problem if it had one.
struct FrameOutcome {
  FrameKind kind = FrameKind::Other;
  std::uint8_t type = 0;      // counter type (byte 2) or record type (byte 6)
  std::uint8_t selector = 0;  // channel selector of a sensor record (byte 7)
  FrameProblem problem = FrameProblem::None;
  int full_channel = -1;  // with StoreFull: the channel that is full
  int value_count = 0;
  std::array<ChannelValue, 2> values{};
};

}  // namespace orvelt

// Feeds arbitrary bytes through the KISS deframer and the decoder, the way a damaged capture or
// a noisy TNC would reach them. The first bytes choose how the input is cut into pieces: every
// cutting must give exactly the frames of the whole buffer. The store is not emptied between
// inputs, so the fuzzer also reaches a full store and the roll-over of the logs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <utility>
#include <vector>

#include "ingest/capture_reader.hpp"
#include "ingest/kiss.hpp"

namespace {

using Frame = std::pair<std::vector<std::uint8_t>, std::size_t>;  // stored bytes, length

std::vector<Frame> Cut(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> sizes) {
  std::vector<Frame> frames;
  orvelt::KissDeframer deframer;
  for (std::size_t at = 0, k = 0, n = 0; at < bytes.size(); at += n, ++k) {
    n = std::min<std::size_t>(sizes.empty() ? bytes.size() : 1 + sizes[k % sizes.size()],
                              bytes.size() - at);
    deframer.Feed(bytes.subspan(at, n), [&](auto stored, std::size_t length) {
      frames.push_back({{stored.begin(), stored.end()}, length});
      return true;
    });
  }
  return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static orvelt::TelemetryState* state = new orvelt::TelemetryState;
  const std::span<const std::uint8_t> input(data, size);
  const std::size_t cuts = size ? std::min<std::size_t>(data[0] % 8, size - 1) : 0;
  const auto sizes = input.subspan(size ? 1 : 0, cuts);
  const auto bytes = input.subspan(size ? 1 + cuts : 0);
  if (Cut(bytes, sizes) != Cut(bytes, {})) std::abort();

  if (!orvelt::Take_Kiss_Bytes(*state, bytes)) state->store.Reset_Store();
  for (int c = 0; c < orvelt::kChannelCount; ++c) {
    const int count = state->store.Count(c);
    if (count < 0 || count > orvelt::kSeriesCapacity) std::abort();
  }
  if (state->TimeLabel.size() > orvelt::kTimeLabelMax) std::abort();
  if (state->frame_log.size() > orvelt::FrameLog::kMaxLines) std::abort();
  return 0;
}

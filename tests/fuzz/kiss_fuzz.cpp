// Feeds arbitrary bytes through the capture reader and the decoder, the way a damaged capture
// file would reach them, and checks the store's invariants afterwards.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "ingest/kiss_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static orvelt::TelemetryState* state = new orvelt::TelemetryState;
  orvelt::FormModel form;
  orvelt::LoadReport report;
  state->store.Reset_Store();
  orvelt::Read_Kiss_Bytes(std::span(data, size), "fuzz.kss", *state, form, report);
  for (int c = 0; c < orvelt::kChannelCount; ++c) {
    const int count = state->store.Count(c);
    if (count < 0 || count > orvelt::kSeriesCapacity) std::abort();
  }
  if (state->TimeLabel.size() > orvelt::kTimeLabelMax) std::abort();
  return 0;
}

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive.hpp"

namespace orvelt {

// One pixel column of a history chart: the samples of [start, end) summed up.
struct HistoryColumn {
  UtcSeconds start = 0;
  UtcSeconds end = 0;
  std::int64_t count = 0;
  double min = 0;
  double max = 0;
};

// What a history chart draws over [from, to] at a width of `pixels` columns: the samples
// themselves when a column spans less than the narrowest bucket, otherwise a min/max envelope
// per column made from the precomputed buckets, so that a redraw never reads every sample.
// Columns without samples are left out, and so are the gaps between passes.
struct HistoryView {
  bool envelope = false;
  UtcSeconds bucket_width = 0;  // of the buckets the envelope was made from
  std::vector<Sample> samples;  // when not an envelope
  std::vector<HistoryColumn> columns;
};

Result<HistoryView> Plan_History(Archive& archive, int channel, UtcSeconds from, UtcSeconds to,
                                 int pixels);

// Whether a line between two neighbouring points at these times crosses a silence between
// passes, where the chart shows a gap rather than a line.
inline bool Is_Gap(UtcSeconds earlier, UtcSeconds later, UtcSeconds column_seconds) {
  return later - earlier >= std::max(kPassGapSeconds, 2 * column_seconds);
}

// The frames of [from, to] as a KISS capture: a text time label before the first frame of each
// second, then the frames, so that loading it gives each frame the time it was archived with.
Result<std::vector<std::uint8_t>> Capture_Of(Archive& archive, UtcSeconds from, UtcSeconds to);

}  // namespace orvelt

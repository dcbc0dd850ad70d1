#include "archive/history_view.hpp"

#include <algorithm>

#include "decode/time_label.hpp"
#include "ingest/kiss.hpp"

namespace orvelt {

Result<HistoryView> Plan_History(Archive& archive, int channel, UtcSeconds from, UtcSeconds to,
                                 int pixels) {
  HistoryView view;
  pixels = std::max(pixels, 1);
  const UtcSeconds span = std::max<UtcSeconds>(to - from, 1);
  const double column_seconds = static_cast<double>(span) / pixels;
  // The widest bucket that still fits within one column; none when a column is narrower than a
  // minute, and then the samples of so short a range are few enough to read.
  UtcSeconds width = 0;
  for (const UtcSeconds w : kBucketWidths) {
    if (static_cast<double>(w) <= column_seconds) width = w;
  }
  if (width == 0) {
    auto samples = archive.Samples(channel, from, to);
    if (!samples.ok()) return Failure{samples.why()};
    view.samples = std::move(samples.value());
    if (static_cast<int>(view.samples.size()) <= 2 * pixels) return view;
    // More samples than columns: an envelope of the samples themselves.
    view.envelope = true;
    UtcSeconds column = -1;
    for (const Sample& s : view.samples) {
      const auto k = static_cast<UtcSeconds>(static_cast<double>(s.time - from) / column_seconds);
      if (view.columns.empty() || k != column) {
        view.columns.push_back({s.time, s.time, 0, s.value, s.value});
        column = k;
      }
      HistoryColumn& c = view.columns.back();
      c.end = s.time + 1;
      ++c.count;
      c.min = std::min(c.min, s.value);
      c.max = std::max(c.max, s.value);
    }
    view.samples.clear();
    return view;
  }
  auto buckets = archive.Buckets(channel, width, from, to);
  if (!buckets.ok()) return Failure{buckets.why()};
  view.envelope = true;
  view.bucket_width = width;
  // A column spans the buckets it was made of, so that neighbouring columns never overlap.
  UtcSeconds column = -1;
  for (const Bucket& b : buckets.value()) {
    const auto k = static_cast<UtcSeconds>(static_cast<double>(std::max(b.start, from) - from) /
                                           column_seconds);
    if (view.columns.empty() || k != column) {
      view.columns.push_back({b.start, b.start, 0, b.min, b.max});
      column = k;
    }
    HistoryColumn& c = view.columns.back();
    c.end = b.start + width;
    c.count += b.count;
    c.min = std::min(c.min, b.min);
    c.max = std::max(c.max, b.max);
  }
  return view;
}

Result<std::vector<std::uint8_t>> Capture_Of(Archive& archive, UtcSeconds from, UtcSeconds to) {
  std::vector<std::uint8_t> capture;
  std::optional<UtcSeconds> last;
  auto read =
      archive.For_Each_Frame(from, to, [&](UtcSeconds time, std::span<const std::uint8_t> bytes) {
        if (!last || *last != time) {
          const std::string label = Format_Time_Label(time);
          std::vector<std::uint8_t> frame{kTimeLabelCommand};
          frame.insert(frame.end(), label.begin(), label.end());
          Kiss_Encode(frame, capture);
          last = time;
        }
        Kiss_Encode(bytes, capture);
      });
  if (!read.ok()) return Failure{read.why()};
  return capture;
}

}  // namespace orvelt

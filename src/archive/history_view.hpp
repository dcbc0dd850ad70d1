#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive.hpp"

namespace orvelt::sqlite {
class Connection;
class Database;
}  // namespace orvelt::sqlite

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

// The stretches of the archive the history window's time-range buttons show. Each ends with the
// archive's newest pass, so that a person opening the window sees the latest reception first.
enum class HistorySpan { Last_Pass, Day, Week, Month, Mission };

struct TimeRange {
  UtcSeconds from = 0;
  UtcSeconds to = 0;
  bool operator==(const TimeRange&) const = default;
};

// One pass with a margin on either side, so that its first and last frames are not drawn on
// the chart's edges.
TimeRange Pass_Range(const PassSpan& pass);

// What `span` shows of the archive whose passes, in time order, are `passes` (none: nothing).
// A day is the UTC calendar day of the last pass's start (with the pass whole when it runs past
// midnight); a week and a month are the 7 and 30 days that end with that day.
std::optional<TimeRange> Span_Range(HistorySpan span, const std::vector<PassSpan>& passes);

// The figures of `channel` within each of `passes` (in time order), as Archive::Summary gives
// them for one pass, made from the minute buckets in one read: a pass begins and ends at least
// kPassGapSeconds away from any other frame, so the minutes it touches hold its samples alone.
Result<std::vector<SampleSummary>> Pass_Figures(Archive& archive, int channel,
                                                const std::vector<PassSpan>& passes);

// What the chart draws at time `t`: the column that holds it, else the nearest column or sample
// within `reach` seconds, as a column (a sample is a column of one); none when nothing is that
// near.
std::optional<HistoryColumn> Column_At(const HistoryView& view, UtcSeconds t, UtcSeconds reach);

// A connection of the history window's own to an archive, for what it asks over and over:
// whether anything was written since it last asked, and the sources of every pass in one read.
class HistoryReader {
 public:
  // Reads `file`; fails when it is not there or cannot be read.
  static Result<std::unique_ptr<HistoryReader>> Open(const std::filesystem::path& file);
  ~HistoryReader();
  HistoryReader(const HistoryReader&) = delete;
  HistoryReader& operator=(const HistoryReader&) = delete;

  // Whether the archive changed since the last call (or since Open); true also when it cannot
  // be read any more, so that the reader finds out why. Every commit, by any connection of this
  // program or of another one (a fetch, a live session, a loaded capture, `orvelt-archive add`),
  // moves SQLite's data version, which costs one look at the file to read.
  bool Changed();

  // The sources of each of `passes` (in time order), as Archive::Sources_Within gives them for
  // one pass: most minutes first, then by name.
  Result<std::vector<std::vector<Source>>> Pass_Sources(const std::vector<PassSpan>& passes);

 private:
  explicit HistoryReader(std::unique_ptr<sqlite::Database> database);
  std::unique_ptr<sqlite::Database> database_;
  sqlite::Connection* connection_;
  std::int64_t version_ = 0;
};

// The frames of [from, to] as a KISS capture: a text time label before the first frame of each
// second, then the frames, so that loading it gives each frame the time it was archived with.
Result<std::vector<std::uint8_t>> Capture_Of(Archive& archive, UtcSeconds from, UtcSeconds to);

}  // namespace orvelt

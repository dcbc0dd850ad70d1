#include "archive/history_view.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <utility>

#include "decode/time_label.hpp"
#include "ingest/kiss.hpp"
#include "sqlite/versioned_database.hpp"

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

namespace {

constexpr UtcSeconds kDay = 86400;

// The start of the `width`-second stretch that holds t, times before 1970 included.
UtcSeconds Floor_To(UtcSeconds t, UtcSeconds width) {
  const UtcSeconds stretches = t / width;
  return (t % width < 0 ? stretches - 1 : stretches) * width;
}

}  // namespace

TimeRange Pass_Range(const PassSpan& pass) {
  const UtcSeconds margin = std::max<UtcSeconds>(30, (pass.end - pass.start) / 20);
  return {pass.start - margin, pass.end + margin};
}

std::optional<TimeRange> Span_Range(HistorySpan span, const std::vector<PassSpan>& passes) {
  if (passes.empty()) return std::nullopt;
  const TimeRange last = Pass_Range(passes.back());
  const UtcSeconds day = Floor_To(passes.back().start, kDay);
  const UtcSeconds day_end = std::max(day + kDay, last.to);
  switch (span) {
    case HistorySpan::Last_Pass:
      return last;
    case HistorySpan::Day:
      return TimeRange{day, day_end};
    case HistorySpan::Week:
      return TimeRange{day + kDay - 7 * kDay, day_end};
    case HistorySpan::Month:
      return TimeRange{day + kDay - 30 * kDay, day_end};
    case HistorySpan::Mission: {
      const UtcSeconds from = passes.front().start, to = passes.back().end;
      const UtcSeconds margin = std::max<UtcSeconds>(60, (to - from) / 50);
      return TimeRange{from - margin, to + margin};
    }
  }
  return std::nullopt;
}

Result<std::vector<SampleSummary>> Pass_Figures(Archive& archive, int channel,
                                                const std::vector<PassSpan>& passes) {
  std::vector<SampleSummary> figures(passes.size());
  if (passes.empty()) return figures;
  constexpr UtcSeconds kMinute = kBucketWidths.front();
  auto buckets = archive.Buckets(channel, kMinute, passes.front().start, passes.back().end);
  if (!buckets.ok()) return Failure{buckets.why()};
  std::vector<double> sums(passes.size(), 0.0);
  std::size_t p = 0;
  for (const Bucket& b : buckets.value()) {
    while (p < passes.size() && passes[p].end < b.start) ++p;
    if (p == passes.size()) break;
    if (b.start + kMinute <= passes[p].start || b.count <= 0) continue;
    SampleSummary& f = figures[p];
    f.min = f.count == 0 ? b.min : std::min(f.min, b.min);
    f.max = f.count == 0 ? b.max : std::max(f.max, b.max);
    f.count += b.count;
    sums[p] += b.sum;
  }
  for (std::size_t k = 0; k < figures.size(); ++k) {
    if (figures[k].count > 0) figures[k].mean = sums[k] / static_cast<double>(figures[k].count);
  }
  return figures;
}

std::optional<HistoryColumn> Column_At(const HistoryView& view, UtcSeconds t, UtcSeconds reach) {
  // The nearer of the first drawn after t and the last drawn before it.
  const auto nearest = [&](const HistoryColumn* before,
                           const HistoryColumn* after) -> std::optional<HistoryColumn> {
    const UtcSeconds to_before = before ? t - (before->end - 1) : reach + 1;
    const UtcSeconds to_after = after ? after->start - t : reach + 1;
    if (std::min(to_before, to_after) > reach) return std::nullopt;
    return to_before <= to_after ? *before : *after;
  };
  if (view.envelope) {
    const auto& columns = view.columns;
    const auto next =
        std::upper_bound(columns.begin(), columns.end(), t,
                         [](UtcSeconds time, const HistoryColumn& c) { return time < c.end; });
    if (next != columns.end() && next->start <= t) return *next;
    return nearest(next == columns.begin() ? nullptr : &*(next - 1),
                   next == columns.end() ? nullptr : &*next);
  }
  const auto& samples = view.samples;
  const auto next =
      std::lower_bound(samples.begin(), samples.end(), t,
                       [](const Sample& s, UtcSeconds time) { return s.time < time; });
  const auto column = [](const Sample& s) {
    return HistoryColumn{s.time, s.time + 1, 1, s.value, s.value};
  };
  std::optional<HistoryColumn> before, after;
  if (next != samples.begin()) before = column(*(next - 1));
  if (next != samples.end()) after = column(*next);
  return nearest(before ? &*before : nullptr, after ? &*after : nullptr);
}

namespace {

constexpr const char* kDataVersion = "PRAGMA data_version";
constexpr const char* kAllSources = "SELECT id, kind, name FROM sources";
constexpr const char* kMinuteSources =
    "SELECT minute, source_id FROM minute_sources WHERE minute BETWEEN ?1 AND ?2 ORDER BY minute";

Failure Read_Error(sqlite::Connection& connection, const char* doing) {
  return Failure{std::string(doing) + " failed: " + sqlite3_errmsg(connection.db())};
}

// The kept statement of `sql`, or why it cannot be prepared.
Result<sqlite3_stmt*> Prepared(sqlite::Connection& connection, const char* sql, const char* doing) {
  sqlite3_stmt* statement = connection.Statement(sql);
  if (statement == nullptr) return Read_Error(connection, doing);
  return statement;
}

// One step of a statement: true with a row, false once it is done, or why it failed.
Result<bool> Step(sqlite::Connection& connection, sqlite3_stmt* statement, const char* doing) {
  const int code = sqlite3_step(statement);
  if (code == SQLITE_ROW || code == SQLITE_DONE) return code == SQLITE_ROW;
  return Read_Error(connection, doing);
}

// The connection's data version, or SQLite's words for why the file cannot be read.
Result<std::int64_t> Data_Version(sqlite::Connection& connection) {
  const auto query = Prepared(connection, kDataVersion, "reading");
  if (!query.ok()) return Failure{sqlite3_errmsg(connection.db())};
  sqlite::Use use(query.value());
  const auto row = Step(connection, use.get(), "reading");
  if (!row.ok() || !row.value()) return Failure{sqlite3_errmsg(connection.db())};
  return std::int64_t{sqlite3_column_int64(use.get(), 0)};
}

}  // namespace

HistoryReader::HistoryReader(std::unique_ptr<sqlite::Database> database)
    : database_(std::move(database)), connection_(&database_->connection()) {}

HistoryReader::~HistoryReader() = default;

Result<std::unique_ptr<HistoryReader>> HistoryReader::Open(const std::filesystem::path& file) {
  auto database = Archive::Open_Reading_Database(file);
  if (!database.ok()) return Failure{database.why()};
  std::unique_ptr<HistoryReader> reader(new HistoryReader(std::move(database.value())));
  const auto version = Data_Version(*reader->connection_);
  if (!version.ok()) return Failure{"cannot read " + file.string() + ": " + version.why()};
  reader->version_ = version.value();
  return reader;
}

bool HistoryReader::Changed() {
  const auto version = Data_Version(*connection_);
  if (!version.ok()) return true;
  if (version.value() == version_) return false;
  version_ = version.value();
  return true;
}

Result<std::vector<std::vector<Source>>> HistoryReader::Pass_Sources(
    const std::vector<PassSpan>& passes) {
  std::vector<std::vector<Source>> sources(passes.size());
  if (passes.empty()) return sources;
  std::map<std::int64_t, Source> known;
  const char* doing = "reading sources";
  {
    const auto statement = Prepared(*connection_, kAllSources, doing);
    if (!statement.ok()) return Failure{statement.why()};
    sqlite::Use query(statement.value());
    Result<bool> row = false;
    while ((row = Step(*connection_, query.get(), doing)).ok() && row.value()) {
      known[sqlite3_column_int64(query.get(), 0)] = {
          static_cast<SourceKind>(sqlite3_column_int(query.get(), 1)),
          sqlite::Column_Text(query.get(), 2)};
    }
    if (!row.ok()) return Failure{row.why()};
  }
  constexpr UtcSeconds kMinute = 60;
  const auto minute_of = [](UtcSeconds t) { return Floor_To(t, kMinute); };
  const auto statement = Prepared(*connection_, kMinuteSources, doing);
  if (!statement.ok()) return Failure{statement.why()};
  sqlite::Use query(statement.value());
  sqlite3_bind_int64(query.get(), 1, minute_of(passes.front().start));
  sqlite3_bind_int64(query.get(), 2, passes.back().end);
  // Minutes per source of the pass being read; the sources of a pass are sorted once its last
  // minute has gone by.
  std::map<std::int64_t, std::int64_t> minutes;
  std::size_t p = 0;
  const auto close_pass = [&] {
    std::vector<std::pair<std::int64_t, const Source*>> counted;
    for (const auto& [id, count] : minutes) {
      const auto found = known.find(id);
      if (found != known.end()) counted.emplace_back(count, &found->second);
    }
    std::sort(counted.begin(), counted.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first > b.first : a.second->name < b.second->name;
    });
    for (const auto& [count, source] : counted) sources[p].push_back(*source);
    minutes.clear();
  };
  Result<bool> row = false;
  while ((row = Step(*connection_, query.get(), doing)).ok() && row.value()) {
    const UtcSeconds minute = sqlite3_column_int64(query.get(), 0);
    while (p < passes.size() && passes[p].end < minute) {
      close_pass();
      ++p;
    }
    if (p == passes.size()) break;
    if (minute < minute_of(passes[p].start)) continue;
    ++minutes[sqlite3_column_int64(query.get(), 1)];
  }
  if (!row.ok()) return Failure{row.why()};
  if (p < passes.size()) close_pass();
  return sources;
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

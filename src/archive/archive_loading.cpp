#include "archive/archive_loading.hpp"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>

#include "archive/frame_record.hpp"
#include "archive/satnogs_export.hpp"
#include "decode/frame_decoder.hpp"
#include "decode/time_label.hpp"
#include "ingest/capture_reader.hpp"

namespace orvelt {

namespace {

namespace fs = std::filesystem;

// The longest export line taken: a time and the hex of the longest frame, with room to spare.
constexpr std::size_t kMaxExportLine = 64 + 2 * kMaxNetworkFrameBytes;

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != stdin) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Whether the file holds a frame export: a regular file by its first line, standard input by
// its first byte (a capture starts with a FEND, an export with the digits of a year).
bool Holds_Frame_Export(const std::string& name) {
  if (name == "-") {
    const int c = std::getc(stdin);
    if (c == EOF) return false;
    std::ungetc(c, stdin);
    return (c >= '0' && c <= '9') || c == 0xEF;  // a year, or a byte order mark before it
  }
  std::error_code ec;
  if (!fs::is_regular_file(name, ec)) return false;
  FilePtr f(std::fopen(name.c_str(), "rb"));
  if (!f) return false;
  std::vector<std::uint8_t> head(kMaxExportLine + 1);
  head.resize(std::fread(head.data(), 1, head.size(), f.get()));
  return !head.empty() && Is_Frame_Export(head);
}

// Reads the lines of a frame export: every line becomes a frame decoded at its own time. Lines
// too long to be one are skipped whole without being kept.
void Read_Frame_Export(const std::string& name, TelemetryState& state, ArchiveFeed& feed,
                       ArchiveLoad& load, const ArchiveLoadOptions& options,
                       LoadProgress& progress) {
  FileReport& file = load.report.files.back();
  FilePtr f(name == "-" ? stdin : std::fopen(name.c_str(), "rb"));
  if (!f) {
    file.error = FileError::CannotRead;
    file.error_detail = "cannot open";
    return;
  }
  std::vector<char> chunk(std::size_t{1} << 20);
  std::string line;
  bool overlong = false;
  bool failed = false;
  bool first_line = true;
  const UtcSeconds now = Utc_Now();
  const auto take_line = [&] {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string_view text = first_line ? Without_Byte_Order_Mark(line) : line;
    first_line = false;
    if (overlong || text.empty()) {
      if (overlong) ++load.unreadable_lines;
      return;
    }
    const auto frame = Parse_Export_Line(text);
    if (!frame) {
      ++load.unreadable_lines;
      return;
    }
    if (!Is_Usable_Frame_Time(frame->time, now)) {
      ++load.unusable_times;
      return;
    }
    ++file.frames;
    state.TimeLabel = Format_Time_Label(frame->time);
    const TakenFrame taken = Take_Frame(state, frame->bytes, frame->bytes.size());
    if (taken.outcome.problem != FrameProblem::None) {
      file.Add_Problem(taken.outcome.problem, file.frames);
    }
    failed = !feed.Take_Timed(frame->bytes, frame->time, taken.outcome).ok();
    Keep_Store_Open(state, taken.outcome);
  };
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), f.get());
    if (got == 0) break;
    file.bytes_read += got;
    progress.bytes_done += got;
    for (std::size_t i = 0; i < got && !failed; ++i) {
      const char c = chunk[i];
      if (c == '\n') {
        take_line();
        line.clear();
        overlong = false;
      } else if (line.size() < kMaxExportLine) {
        line += c;
      } else {
        overlong = true;
      }
    }
    if (failed) return;
    if (options.progress) options.progress(feed.Counts_So_Far(), progress);
  }
  if (std::ferror(f.get())) {
    file.error = FileError::CannotRead;
    file.error_detail = "read error";
    return;
  }
  if (!line.empty()) take_line();
  file.read_to_end = !failed;
}

}  // namespace

std::string Capture_Source_Name(const std::string& name) {
  if (name == "-") return "standard input";
  std::error_code ec;
  const fs::path absolute = fs::absolute(name, ec);
  return ec ? name : absolute.lexically_normal().string();
}

const Outcome& ArchiveFeed::Take(TelemetryState& state, std::span<const std::uint8_t> stored,
                                 const TakenFrame& taken) {
  Keep_Store_Open(state, taken.outcome);
  if (taken.time_label) return load_.outcome;
  if (state.TimeLabel != label_) {
    label_ = state.TimeLabel;
    time_ = Parse_Time_Label(label_);
  }
  return Take_Timed(stored, time_, taken.outcome);
}

const Outcome& ArchiveFeed::Take_Timed(std::span<const std::uint8_t> bytes,
                                       std::optional<UtcSeconds> time,
                                       const FrameOutcome& outcome) {
  if (!load_.outcome.ok()) return load_.outcome;
  if (outcome.problem == FrameProblem::FrameTooLong) {
    ++load_.too_long;
    return load_.outcome;
  }
  auto added = archive_.Add_Frame(source_id_, {bytes, time, &outcome}, pending_);
  if (!added.ok()) {
    load_.counts.frames += pending_.frames;
    pending_ = {};
    load_.outcome = std::move(added);
    return load_.outcome;
  }
  if (++in_batch_ >= batch_frames_) return End();
  return load_.outcome;
}

const Outcome& ArchiveFeed::End() {
  if (!load_.outcome.ok()) return load_.outcome;
  in_batch_ = 0;
  auto ended = archive_.End_Batch();
  if (ended.ok()) {
    load_.counts += pending_;
  } else {
    load_.counts.frames += pending_.frames;
    load_.outcome = std::move(ended);
  }
  pending_ = {};
  return load_.outcome;
}

AddCounts ArchiveFeed::Counts_So_Far() const {
  AddCounts counts = load_.counts;
  counts += pending_;
  return counts;
}

ArchiveLoad Add_To_Archive(Archive& archive, const std::vector<std::string>& files,
                           const ArchiveLoadOptions& options) {
  ArchiveLoad load;
  TelemetryState state;
  state.keep_frame_log = false;
  LoadProgress progress{0, files.size(), 0, 0};
  for (const auto& name : files) {
    std::error_code ec;
    if (name != "-" && fs::is_regular_file(name, ec))
      progress.bytes_total += fs::file_size(name, ec);
  }
  ArchiveFeed feed(archive, 0, load, options.batch_frames);
  LoadOptions read;
  read.regular_files_only = false;
  read.allow_stdin = true;
  read.observers.push_back([&](const FrameEvent& e) { feed.Take(state, e.stored, e.taken); });
  read.progress = [&](const LoadProgress& p) {
    if (options.progress) options.progress(feed.Counts_So_Far(), p);
    return load.outcome.ok();
  };
  for (std::size_t k = 0; k < files.size() && load.outcome.ok(); ++k, progress.files_done = k) {
    const std::string& name = files[k];
    state.CaptureFileName = name;
    state.TimeLabel.clear();
    auto source = archive.Source_Id({SourceKind::Capture, Capture_Source_Name(name)});
    if (!source.ok()) {
      load.outcome = Failure{source.why()};
      break;
    }
    feed.Set_Source(source.value());
    if (Holds_Frame_Export(name)) {
      load.report.files.push_back({});
      load.report.files.back().path = name;
      Read_Frame_Export(name, state, feed, load, options, progress);
    } else {
      Read_Kissfile(name, state, load.report, read, progress);
    }
    feed.End();
  }
  // A cancel here only ever comes from a failing archive, which the error already says.
  load.report.cancelled = false;
  return load;
}

Outcome Add_Network_Page(Archive& archive, const TelemetryPage& page, ArchiveLoad& load) {
  TelemetryState state;
  state.keep_frame_log = false;
  ArchiveFeed feed(archive, 0, load, std::numeric_limits<std::int64_t>::max());
  std::map<std::string, std::int64_t> sources;
  for (const NetworkEntry& entry : page.entries) {
    auto [known, fresh] = sources.try_emplace(entry.observer, 0);
    if (fresh) {
      auto id = archive.Source_Id({SourceKind::Network, entry.observer});
      if (!id.ok()) {
        load.outcome = Failure{id.why()};
        return load.outcome;
      }
      known->second = id.value();
    }
    feed.Set_Source(known->second);
    state.TimeLabel = Format_Time_Label(entry.time);
    const TakenFrame taken = Take_Frame(state, entry.bytes, entry.bytes.size());
    Keep_Store_Open(state, taken.outcome);
    if (!feed.Take_Timed(entry.bytes, entry.time, taken.outcome).ok()) return load.outcome;
  }
  return feed.End();
}

}  // namespace orvelt

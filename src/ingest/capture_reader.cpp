#include "ingest/capture_reader.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "ingest/file_kind.hpp"
#include "ingest/kiss.hpp"

namespace orvelt {

namespace {

namespace fs = std::filesystem;

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != stdin) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a capture for reading, or says in the file's report why it cannot be read.
FilePtr Open_Capture(const std::string& name, const LoadOptions& options, FileReport& file) {
  if (options.allow_stdin && name == "-") return FilePtr(stdin);
  std::error_code ec;
  const fs::file_status status = fs::status(name, ec);
  if (status.type() == fs::file_type::not_found) {
    file.error = FileError::NoSuchFile;
    return nullptr;
  }
  if (ec) {
    file.error = FileError::CannotRead;
    file.error_detail = ec.message();
    return nullptr;
  }
  const bool regular = status.type() == fs::file_type::regular;
  if (status.type() == fs::file_type::directory || (!regular && options.regular_files_only)) {
    file.error = FileError::NotRegularFile;
    file.error_detail = File_Kind_Name(status.type());
    return nullptr;
  }
  FilePtr f(std::fopen(name.c_str(), "rb"));
  if (!f) {
    file.error = FileError::CannotRead;
    file.error_detail = std::strerror(errno);
  }
  return f;
}

std::uint64_t Regular_File_Size(const std::string& name) {
  std::error_code ec;
  if (!fs::is_regular_file(name, ec)) return 0;
  const auto size = fs::file_size(name, ec);
  return ec ? 0 : size;
}

class CaptureReading {
 public:
  CaptureReading(TelemetryState& state, LoadReport& report, const LoadOptions& options,
                 LoadProgress& progress)
      : state_(state), report_(report), options_(options), progress_(progress) {}

  ReadStatus Run(const std::string& name) {
    report_.files.push_back({});
    const std::size_t index = report_.files.size() - 1;
    FileReport& file = report_.files.back();
    file.path = name;
    FilePtr f = Open_Capture(name, options_, file);
    if (!f) return ReadStatus::Unreadable;
    state_.frame_log.Begin_File(name);
    std::vector<std::uint8_t> chunk(options_.chunk_bytes);
    KissDeframer deframer;
    for (;;) {
      const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), f.get());
      if (got == 0) break;
      file.bytes_read += got;
      progress_.bytes_done += got;
      if (!Take(deframer, std::span<const std::uint8_t>(chunk.data(), got), file, index)) {
        return ReadStatus::Stopped;
      }
      if (options_.progress && !options_.progress(progress_)) {
        report_.cancelled = true;
        return ReadStatus::Cancelled;
      }
    }
    if (std::ferror(f.get())) {
      file.error = FileError::CannotRead;
      file.error_detail = "read error";
      return ReadStatus::Unreadable;
    }
    if (deframer.Pending_Bytes() > 0) {
      file.incomplete_bytes = deframer.Pending_Bytes();
      file.Add_Problem(FrameProblem::IncompleteLastFrame, file.frames + 1);
    }
    file.read_to_end = true;
    return ReadStatus::Completed;
  }

 private:
  // Frames are gathered and taken a batch at a time; false when the store is full and the load
  // must stop.
  bool Take(KissDeframer& deframer, std::span<const std::uint8_t> bytes, FileReport& file,
            std::size_t index) {
    while (!bytes.empty()) {
      bytes = bytes.subspan(deframer.Feed(bytes, *batch_));
      if (!Take_Batch(file, index)) return false;
    }
    return true;
  }

  bool Take_Batch(FileReport& file, std::size_t index) {
    const std::int64_t first = file.frames + 1;
    AfterEachFrame shown;
    if (!options_.observers.empty()) {
      shown = [&](std::size_t place, const TakenFrame& taken) {
        const FrameEvent event{first + static_cast<std::int64_t>(place), batch_->Stored(place),
                               batch_->Full_Length(place), taken};
        for (const FrameObserver& observer : options_.observers) observer(event);
      };
    }
    const BatchOutcome outcome = Take_Frames(state_, *batch_, first, shown);
    batch_->Clear();
    file.frames += static_cast<std::int64_t>(outcome.taken);
    file.time_labels += static_cast<std::int64_t>(outcome.time_labels);
    file.other_stations += static_cast<std::int64_t>(outcome.other_stations);
    for (const auto& [at, problem] : outcome.problems) {
      const std::int64_t number = first + static_cast<std::int64_t>(at);
      if (problem == FrameProblem::StoreFull) {
        report_.stopped = StoreFullStop{index, number, outcome.full_channel};
        return false;
      }
      file.Add_Problem(problem, number);
    }
    return true;
  }

  TelemetryState& state_;
  LoadReport& report_;
  const LoadOptions& options_;
  LoadProgress& progress_;
  std::unique_ptr<FrameBatch> batch_ = std::make_unique_for_overwrite<FrameBatch>();
};

}  // namespace

ReadStatus Read_Kissfile(const std::string& file_name, TelemetryState& state, LoadReport& report,
                         const LoadOptions& options, LoadProgress& progress) {
  return CaptureReading(state, report, options, progress).Run(file_name);
}

bool Take_Kiss_Bytes(TelemetryState& state, std::span<const std::uint8_t> bytes) {
  KissDeframer deframer;
  const auto batch = std::make_unique_for_overwrite<FrameBatch>();
  while (!bytes.empty()) {
    bytes = bytes.subspan(deframer.Feed(bytes, *batch));
    const BatchOutcome outcome = Take_Frames(state, *batch, 0);
    if (outcome.full_channel >= 0) return false;
    batch->Clear();
  }
  return true;
}

FileReport Check_Capture(const std::string& file_name, const LoadOptions& options) {
  FileReport file;
  file.path = file_name;
  FilePtr f = Open_Capture(file_name, options, file);
  if (!f) return file;
  std::vector<std::uint8_t> chunk(std::min<std::size_t>(options.chunk_bytes, 64 * 1024));
  KissDeframer deframer;
  bool found = false;
  while (!found) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), f.get());
    if (got == 0) break;
    file.bytes_read += got;
    deframer.Feed(std::span<const std::uint8_t>(chunk.data(), got), [&](auto stored, std::size_t) {
      found = Is_Satellite_Frame(stored);
      return !found;
    });
  }
  if (found) return file;
  if (std::ferror(f.get())) {
    file.error = FileError::CannotRead;
    file.error_detail = "read error";
  } else {
    file.error = FileError::NotCapture;
    file.error_detail = file.bytes_read == 0
                            ? std::string("the file is empty")
                            : "no frame of ORVELT-1 in " + Size_Text(file.bytes_read);
  }
  return file;
}

std::string Size_Text(std::uint64_t bytes) {
  constexpr std::uint64_t kKilo = 1024;
  if (bytes < kKilo) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  if (bytes < kKilo * kKilo) return std::to_string((bytes + kKilo / 2) / kKilo) + " kB";
  return std::to_string((bytes + kKilo * kKilo / 2) / (kKilo * kKilo)) + " MB";
}

LoadReport Load_Files(TelemetryState& state, const std::vector<std::string>& files,
                      const LoadOptions& options) {
  LoadReport report;
  LoadProgress progress{0, files.size(), 0, 0};
  for (const auto& name : files) progress.bytes_total += Regular_File_Size(name);
  for (std::size_t k = 0; k < files.size(); ++k, progress.files_done = k) {
    state.CaptureFileName = files[k];
    if (options.before_file) options.before_file(k);
    if (files[k].empty()) continue;
    const ReadStatus status = Read_Kissfile(files[k], state, report, options, progress);
    if (status == ReadStatus::Stopped || status == ReadStatus::Cancelled) break;
    if (status == ReadStatus::Completed && options.after_file) options.after_file(k);
  }
  return report;
}

}  // namespace orvelt

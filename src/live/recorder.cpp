#include "live/recorder.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "decode/downlink.hpp"
#include "ingest/kiss.hpp"

namespace orvelt {

namespace {

constexpr int kMaxNameAttempts = 10000;

}  // namespace

std::string Recording_File_Name(std::int64_t start_ms) {
  using namespace std::chrono;
  const sys_seconds t{floor<seconds>(milliseconds{start_ms})};
  const auto midnight = floor<days>(t);
  const year_month_day date{midnight};
  const hh_mm_ss clock{t - midnight};
  char name[64];
  std::snprintf(name, sizeof name, "ORVELT-1_%04d%02u%02u_%02d%02d%02d.kss",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return name;
}

Outcome Recorder::Open(const std::string& folder, std::int64_t start_ms) {
  Close();
  status_ = {};
  label_in_force_.reset();
  written_ = 0;
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    status_.outcome = Failure{"cannot make the recording folder " + folder + ": " + ec.message()};
    return status_.outcome;
  }
  if (::access(folder.c_str(), W_OK) != 0) {
    status_.outcome =
        Failure{"cannot write into the recording folder " + folder + ": " + std::strerror(errno)};
    return status_.outcome;
  }
  // The file is made with the first frame, so a session that receives nothing leaves no empty
  // recording behind; until then the status names the file it will be.
  base_ = fs::path(folder) / Recording_File_Name(start_ms);
  status_.path = base_.string();
  awaiting_first_frame_ = true;
  return Outcome::Done();
}

Outcome Recorder::Create() {
  namespace fs = std::filesystem;
  awaiting_first_frame_ = false;
  for (int k = 1; k <= kMaxNameAttempts; ++k) {
    fs::path path = base_;
    if (k > 1) path.replace_filename(base_.stem().string() + "_" + std::to_string(k) + ".kss");
    // O_EXCL makes "never overwrite" hold even against another program creating the same name.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ >= 0) {
      status_.path = path.string();
      return Outcome::Done();
    }
    if (errno != EEXIST) {
      return Failure{"cannot create " + path.string() + ": " + std::strerror(errno)};
    }
  }
  return Failure{"cannot create a recording in " + base_.parent_path().string() +
                 ": every name is taken"};
}

Failure Recorder::Failed(const std::string& what, int error_number) const {
  return {what + " " + status_.path + ": " + std::strerror(error_number)};
}

Outcome Recorder::Write(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error_number = n < 0 ? errno : ENOSPC;
      // A frame cut short would run into whatever is written after it: cut the file back to
      // the last whole frame so that it reads as it did before this write.
      if (done > 0 && ::ftruncate(fd_, written_) == 0) ::lseek(fd_, written_, SEEK_SET);
      return Failed("recording stopped: cannot write", error_number);
    }
    done += static_cast<std::size_t>(n);
  }
  written_ += static_cast<std::int64_t>(bytes.size());
  dirty_ = true;
  return Outcome::Done();
}

void Recorder::Record(std::span<const std::uint8_t> frame, std::size_t full_length,
                      std::string_view label, bool time_label) {
  if (full_length > static_cast<std::size_t>(kFrameCapacity)) {
    ++status_.too_long;
    return;
  }
  if (fd_ < 0 && awaiting_first_frame_ && status_.outcome.ok()) status_.outcome = Create();
  if (fd_ < 0 || !status_.outcome.ok()) {
    ++status_.lost;
    return;
  }
  buffer_.clear();
  const bool add_label = !time_label && label_in_force_ != label;
  if (add_label) {
    std::vector<std::uint8_t> label_frame{kTimeLabelCommand};
    label_frame.insert(label_frame.end(), label.begin(), label.end());
    Kiss_Encode(label_frame, buffer_);
  }
  Kiss_Encode(frame.first(full_length), buffer_);
  // The label frame and its frame go in one write, so that a failure keeps neither.
  if (Outcome written = Write(buffer_); !written.ok()) {
    status_.outcome = std::move(written);
    ++status_.lost;
    return;
  }
  label_in_force_ = std::string(label);
  ++status_.frames;
  if (add_label) ++status_.labels;
}

void Recorder::Sync() {
  if (fd_ < 0 || !dirty_) return;
  dirty_ = false;
  if (sync_(fd_) != 0 && status_.outcome.ok()) {
    status_.outcome = Failed("recording stopped: cannot sync", errno);
  }
}

void Recorder::Close() {
  if (awaiting_first_frame_) status_.path.clear();  // no frame came: no file was made
  awaiting_first_frame_ = false;
  if (fd_ < 0) return;
  Sync();
  if (::close(fd_) != 0 && status_.outcome.ok()) status_.outcome = Failed("cannot close", errno);
  fd_ = -1;
}

}  // namespace orvelt

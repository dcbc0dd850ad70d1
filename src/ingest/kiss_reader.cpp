#include "ingest/kiss_reader.hpp"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "decode/frame_decoder.hpp"

namespace orvelt {

namespace {

// Milliseconds of 10000-01-01 00:00:00 UTC: the first stamp that no longer fits "YYYY".
constexpr std::uint64_t kYear10000Ms = 253402300800000ULL;
constexpr int kBinaryStampBytes = 8;

bool Is_Binary_Stamp(std::span<const std::uint8_t> frame) {
  // A text label never holds a NUL, so a leading 0 byte marks the binary form.
  return frame.size() == 1 + kBinaryStampBytes && frame[1] == 0;
}

std::string Format_Utc(std::uint64_t ms) {
  using namespace std::chrono;
  const sys_seconds t{seconds{static_cast<std::int64_t>(ms / 1000)}};
  const auto day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss hms{t - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", int(ymd.year()),
                unsigned(ymd.month()), unsigned(ymd.day()), int(hms.hours().count()),
                int(hms.minutes().count()), int(hms.seconds().count()));
  return text;
}

// Undoes the KISS escapes of one piece into the frame buffer. Returns the frame's full
// length, which may exceed the buffer: bytes beyond it are counted, not stored.
std::size_t Unescape_Into(std::span<const std::uint8_t> piece,
                          std::array<std::uint8_t, kFrameCapacity>& out) {
  std::size_t n = 0;
  const std::size_t size = piece.size();
  for (std::size_t i = 0; i < size; ++i) {
    std::uint8_t b = piece[i];
    if (b == kFesc && i + 1 < size) {
      const std::uint8_t next = piece[i + 1];
      if (next == kTfend) {
        b = kFend;
        ++i;
      } else if (next == kTfesc) {
        b = kFesc;
        ++i;
      }
    }
    if (n < out.size()) out[n] = b;
    ++n;
  }
  return n;
}

}  // namespace

void Read_Time_Label(TelemetryState& state) {
  const auto frame = state.Frame();
  if (Is_Binary_Stamp(frame)) {
    std::uint64_t ms = 0;
    for (int i = 1; i <= kBinaryStampBytes; ++i) ms = (ms << 8) | frame[std::size_t(i)];
    if (ms < kYear10000Ms) {
      state.TimeLabel = Format_Utc(ms);
      return;
    }
  }
  const auto text = frame.subspan(1, std::min<std::size_t>(frame.size() - 1, kTimeLabelMax));
  state.TimeLabel.assign(text.begin(), text.end());
}

bool Read_Whole_File(const std::string& file_name, std::vector<std::uint8_t>& bytes,
                     std::string& error) {
  namespace fs = std::filesystem;
  bytes.clear();
  std::error_code ec;
  const fs::file_status status = fs::status(file_name, ec);
  if (status.type() == fs::file_type::not_found) return true;
  if (ec) {
    error = ec.message();
    return false;
  }
  if (status.type() == fs::file_type::directory) {
    error = "is a folder, not a capture file";
    return false;
  }
  std::FILE* file = std::fopen(file_name.c_str(), "rb");
  if (!file) {
    error = std::strerror(errno);
    return false;
  }
  // One read of the full length where the size is known; anything else is read to its end.
  std::size_t expected = 0;
  if (status.type() == fs::file_type::regular) {
    expected = static_cast<std::size_t>(fs::file_size(file_name, ec));
    if (ec) expected = 0;
  }
  bytes.resize(expected);
  std::size_t got = expected ? std::fread(bytes.data(), 1, expected, file) : 0;
  if (got == expected) {
    std::array<std::uint8_t, 65536> chunk;
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) {
      bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    }
  } else {
    bytes.resize(got);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    error = "read error";
    bytes.clear();
    return false;
  }
  return true;
}

ReadStatus Read_Kiss_Bytes(std::span<const std::uint8_t> bytes, const std::string& file_name,
                           TelemetryState& state, FormModel& form, LoadReport& report) {
  std::int64_t frame_number = 0;
  const std::uint8_t* const end = bytes.data() + bytes.size();
  const std::uint8_t* piece = bytes.data();
  // Only pieces closed by a FEND are frames; whatever follows the last FEND is dropped.
  while (piece != end) {
    const auto* fend = static_cast<const std::uint8_t*>(
        std::memchr(piece, kFend, static_cast<std::size_t>(end - piece)));
    if (!fend) break;
    const std::span<const std::uint8_t> raw(piece, fend);
    piece = fend + 1;
    if (raw.empty()) continue;

    ++frame_number;
    ++report.frames;
    const std::size_t length = Unescape_Into(raw, state.FrameBytes);
    if (length > kFrameCapacity) {
      report.problems.push_back(
          {file_name, frame_number, Problem_Text(FrameProblem::FrameTooLong)});
      continue;
    }
    state.FrameLength = static_cast<int>(length);
    if (state.FrameBytes[0] == kTimeLabelCommand) {
      Read_Time_Label(state);
      ++report.time_labels;
      continue;
    }
    form.Debug.Append(state.Frame());
    const DecodeResult result = Decode_Frame(state, form);
    if (result.problem == FrameProblem::StoreFull) {
      report.stopped = LoadProblem{file_name, frame_number,
                                   "store full (" + std::string(Channel_Caption(result.channel)) +
                                       ", channel " + std::to_string(result.channel) + ")"};
      return ReadStatus::Stopped;
    }
    if (result.problem != FrameProblem::None) {
      report.problems.push_back({file_name, frame_number, Problem_Text(result.problem)});
    }
  }
  return ReadStatus::Completed;
}

ReadStatus Read_Kissfile(const std::string& file_name, TelemetryState& state, FormModel& form,
                         LoadReport& report) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!Read_Whole_File(file_name, bytes, error)) {
    report.problems.push_back({file_name, 0, "cannot read file: " + error});
    return ReadStatus::Unreadable;
  }
  const ReadStatus status = Read_Kiss_Bytes(bytes, file_name, state, form, report);
  if (status == ReadStatus::Completed) ++report.files_read;
  return status;
}

}  // namespace orvelt

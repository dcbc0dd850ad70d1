#include "ingest/load_report.hpp"

#include <algorithm>
#include <numeric>

#include "decode/channels.hpp"

namespace orvelt {

namespace {

std::string Plural(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The last part of a path: the report's line names a file by it, the details by its path.
std::string File_Name_Of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The words for `n` frames with a problem: "frames longer than 512 bytes", "value out of range".
std::string Problem_Words(FrameProblem problem, std::int64_t n) {
  if (n == 1) return Problem_Text(problem);
  const char* many = nullptr;
  switch (problem) {
    case FrameProblem::FrameTooLong:
      many = "frames longer than 512 bytes";
      break;
    case FrameProblem::ValueOutOfRange:
      many = "values out of range";
      break;
    case FrameProblem::StatusCodeOutOfRange:
      many = "switch status codes out of range";
      break;
    case FrameProblem::MessageTooShort:
      many = "message frames too short";
      break;
    case FrameProblem::RecordTooShort:
      many = "records too short";
      break;
    case FrameProblem::StoreFull:
      many = "frames turned away by a full store";
      break;
    case FrameProblem::IncompleteLastFrame:
    case FrameProblem::None:
      break;
  }
  return many != nullptr ? many : Problem_Text(problem);
}

// "11 frames longer than 512 bytes", "1 value out of range".
std::string Problem_Count_Text(FrameProblem problem, std::int64_t n) {
  return std::to_string(n) + " " + Problem_Words(problem, n);
}

std::string Stop_Text(const LoadReport& report) {
  const StoreFullStop& s = *report.stopped;
  return "store full (" + std::string(Channel_Caption(s.channel)) + ", channel " +
         std::to_string(s.channel) + ")";
}

}  // namespace

void FileReport::Add_Problem(FrameProblem problem, std::int64_t frame) {
  ++problem_counts[static_cast<std::size_t>(problem)];
  if (first_problems.size() < kKeptFrames) first_problems.push_back({problem, frame});
}

std::int64_t FileReport::Problem_Count() const {
  return std::accumulate(problem_counts.begin(), problem_counts.end(), std::int64_t{0});
}

int LoadReport::Files_Read() const {
  int n = 0;
  for (const auto& f : files) n += f.read_to_end;
  return n;
}

std::int64_t LoadReport::Frames() const {
  std::int64_t n = 0;
  for (const auto& f : files) n += f.frames;
  return n;
}

std::int64_t LoadReport::Problem_Count() const {
  std::int64_t n = 0;
  for (const auto& f : files) n += f.Problem_Count() + (f.error != FileError::None);
  return n;
}

std::int64_t LoadReport::Unlisted_Frames() const {
  std::int64_t n = 0;
  for (const auto& f : files) {
    n += f.time_labels + f.problem_counts[static_cast<std::size_t>(FrameProblem::FrameTooLong)];
  }
  return n;
}

std::int64_t LoadReport::Other_Stations() const {
  std::int64_t n = 0;
  for (const auto& f : files) n += f.other_stations;
  return n;
}

std::string File_Error_Text(const FileReport& file) {
  switch (file.error) {
    case FileError::None:
      return {};
    case FileError::NoSuchFile:
      return "no such file";
    case FileError::NotRegularFile:
      return "not a capture file (" + file.error_detail + ")";
    case FileError::CannotRead:
      return "cannot read file: " + file.error_detail;
    case FileError::NotCapture:
      return "not a capture file: " + file.error_detail;
  }
  return {};
}

std::string File_Refusal_Text(const FileReport& file) {
  const std::string name = File_Name_Of(file.path);
  if (file.error == FileError::NotCapture) {
    return name + " is not a capture file: " + file.error_detail;
  }
  return name + ": " + File_Error_Text(file);
}

std::string LoadReport::Summary() const {
  // Totals per reason over every file, so that a damaged capture reads as a few causes.
  std::array<std::int64_t, kFrameProblemCount> counts{};
  std::int64_t file_errors = 0;
  std::string file_error;
  for (const auto& f : files) {
    for (std::size_t k = 0; k < counts.size(); ++k) counts[k] += f.problem_counts[k];
    if (f.error != FileError::None) {
      ++file_errors;
      file_error = File_Refusal_Text(f);
    }
  }
  std::vector<std::string> parts;
  for (std::size_t k = 0; k < counts.size(); ++k) {
    if (counts[k]) {
      parts.push_back(Problem_Count_Text(static_cast<FrameProblem>(k), counts[k]));
    }
  }
  if (file_errors == 1) parts.push_back(file_error);
  if (file_errors > 1) parts.push_back(Plural(file_errors, "file", "files") + " not read");

  std::string text;
  const std::int64_t total = Problem_Count();
  if (parts.size() == 1 && file_errors == 0) {
    const std::size_t k = static_cast<std::size_t>(
        std::find_if(counts.begin(), counts.end(), [](auto n) { return n != 0; }) - counts.begin());
    text = Plural(total, "problem: ", "problems: ") +
           Problem_Words(static_cast<FrameProblem>(k), total);
  } else if (!parts.empty()) {
    text = Plural(total, "problem", "problems");
    std::string sep = ": ";
    for (const auto& p : parts) {
      text += sep + p;
      sep = ", ";
    }
  }
  // Not a problem, but it tells the user the capture holds more than the satellite.
  if (const std::int64_t other = Other_Stations(); other > 0) {
    if (!text.empty()) text += "; ";
    text += Plural(other, "frame from other stations", "frames from other stations");
  }
  if (stopped) {
    if (!text.empty()) text += "; ";
    text += "stopped: " + Stop_Text(*this);
  }
  if (cancelled) {
    if (!text.empty()) text += "; ";
    text += "cancelled: what was read so far is kept";
  }
  return text;
}

std::string LoadReport::Details() const {
  // A load that ended inside a file read part of it: that file counts as read in part.
  std::int64_t in_part = 0;
  for (const auto& f : files) {
    in_part += !f.read_to_end && f.error == FileError::None && f.bytes_read > 0;
  }
  std::string text = Files_Read() == 0 && in_part > 0
                         ? Plural(in_part, "file", "files") + " read in part"
                         : Plural(Files_Read(), "file", "files") + " read";
  if (Files_Read() > 0 && in_part > 0) text += ", " + std::to_string(in_part) + " in part";
  text += ", " + Plural(Frames(), "frame", "frames") + "\n";
  for (const auto& f : files) {
    text += f.path + ": ";
    if (f.error != FileError::None) {
      text += File_Error_Text(f) + "\n";
      continue;
    }
    text += Plural(f.frames, "frame", "frames") + ", " +
            Plural(f.time_labels, "time label", "time labels");
    if (f.other_stations > 0) {
      text += ", " +
              Plural(f.other_stations, "frame from other stations", "frames from other stations");
    }
    if (!f.read_to_end) text += ", not read to its end";
    text += "\n";
    for (std::size_t k = 0; k < f.problem_counts.size(); ++k) {
      const std::int64_t n = f.problem_counts[k];
      if (n == 0) continue;
      const auto problem = static_cast<FrameProblem>(k);
      text += "  " + Problem_Count_Text(problem, n);
      if (problem == FrameProblem::IncompleteLastFrame) {
        text += ": " + Plural(static_cast<std::int64_t>(f.incomplete_bytes), "byte", "bytes");
      } else {
        std::string frames;
        std::int64_t listed = 0;
        for (const auto& p : f.first_problems) {
          if (p.problem != problem) continue;
          frames += (listed++ ? ", " : "") + std::to_string(p.frame);
        }
        if (listed) {
          text += listed == 1 ? " (frame " : " (frames ";
          text += frames + (listed < n ? ", ..." : "") + ")";
        }
      }
      text += "\n";
    }
  }
  if (stopped) {
    text += "Load stopped at " + files[stopped->file].path + ", frame " +
            std::to_string(stopped->frame) + ": " + Stop_Text(*this) + "\n";
  }
  if (cancelled) text += "Load cancelled; what was read so far is kept\n";
  return text;
}

}  // namespace orvelt

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvelt {

// One frame (or file) that could not be taken in whole. `frame` counts the frames of the file
// from 1; 0 means the file itself.
struct LoadProblem {
  std::string file;
  std::int64_t frame = 0;
  std::string reason;
};

// What one load did: how much was read, which frames were skipped and why, and why the load
// stopped early if it did.
struct LoadReport {
  int files_read = 0;  // files read to their end
  std::int64_t frames = 0;
  std::int64_t time_labels = 0;
  std::vector<LoadProblem> problems;
  std::optional<LoadProblem> stopped;

  bool Complete() const { return !stopped.has_value(); }
  // One line for a status bar, e.g. "3 frames skipped: value out of range".
  std::string Summary() const;
  // Every problem, one per line.
  std::string Details() const;
};

}  // namespace orvelt

#include "ingest/load_report.hpp"

#include <map>

namespace orvelt {

namespace {

std::string Describe(const LoadProblem& p) {
  std::string text = p.file;
  if (p.frame > 0) text += ", frame " + std::to_string(p.frame);
  text += ": " + p.reason;
  return text;
}

}  // namespace

std::string LoadReport::Summary() const {
  std::string text;
  if (!problems.empty()) {
    // Group by reason so that a damaged capture reads as a few causes, not a flood.
    std::map<std::string, std::int64_t> by_reason;
    for (const auto& p : problems) ++by_reason[p.reason];
    if (by_reason.size() == 1) {
      const auto& [reason, n] = *by_reason.begin();
      text = std::to_string(n) + (n == 1 ? " problem: " : " problems: ") + reason;
    } else {
      text = std::to_string(problems.size()) + " problems";
      std::string sep = ": ";
      for (const auto& [reason, n] : by_reason) {
        text += sep + std::to_string(n) + " " + reason;
        sep = ", ";
      }
    }
  }
  if (stopped) {
    if (!text.empty()) text += "; ";
    text += "stopped: " + stopped->reason;
  }
  return text;
}

std::string LoadReport::Details() const {
  std::string text = std::to_string(files_read) + (files_read == 1 ? " file" : " files") +
                     " read, " + std::to_string(frames) + " frames, " +
                     std::to_string(time_labels) + " time labels\n";
  for (const auto& p : problems) text += Describe(p) + "\n";
  if (stopped) text += "Load stopped at " + Describe(*stopped) + "\n";
  return text;
}

}  // namespace orvelt

#include "archive/passes.hpp"

namespace orvelt {

void PassFinder::Add(const MinuteFrames& minute) {
  if (minute.frames <= 0) return;
  if (passes_.empty() || minute.first - passes_.back().end >= kPassGapSeconds) {
    passes_.push_back({minute.first, minute.last, minute.frames});
    return;
  }
  PassSpan& pass = passes_.back();
  pass.end = minute.last;
  pass.frames += minute.frames;
}

}  // namespace orvelt

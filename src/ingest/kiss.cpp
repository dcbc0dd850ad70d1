#include "ingest/kiss.hpp"

namespace orvelt {

void Kiss_Encode(std::span<const std::uint8_t> frame, std::vector<std::uint8_t>& out) {
  out.reserve(out.size() + frame.size() + 8);
  out.push_back(kFend);
  for (const std::uint8_t b : frame) {
    if (b == kFend) {
      out.insert(out.end(), {kFesc, kTfend});
    } else if (b == kFesc) {
      out.insert(out.end(), {kFesc, kTfesc});
    } else {
      out.push_back(b);
    }
  }
  out.push_back(kFend);
}

}  // namespace orvelt

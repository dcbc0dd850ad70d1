#pragma once

#include <string>
#include <utility>

namespace orvelt {

// What an operation that gives nothing back says: it was done, or why it was not. One type for
// all of them, so that no caller has to know whether an empty text or a false means success.
class Outcome {
 public:
  static Outcome Done() { return Outcome(); }
  static Outcome Failed(std::string why) {
    Outcome outcome;
    outcome.failed_ = true;
    outcome.why_ = std::move(why);
    return outcome;
  }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  // Why it failed; empty when it was done.
  const std::string& why() const { return why_; }

 private:
  Outcome() = default;
  bool failed_ = false;
  std::string why_;
};

}  // namespace orvelt

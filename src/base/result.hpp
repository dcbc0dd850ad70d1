#pragma once

#include <string>
#include <utility>
#include <variant>

namespace orvelt {

// Why an operation failed, in words the user can act on.
struct Failure {
  std::string why;
};

// What an operation that can fail gives back: its value, or why there is none. One type for all
// of them, so that no caller has to know whether an empty text, a false or a missing optional
// means success.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}
  static Result Failed(std::string why) { return Result(Failure{std::move(why)}); }

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // The value; only when ok().
  const T& value() const& { return std::get<0>(state_); }
  T& value() & { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }

  // Why it failed; empty when it did not.
  const std::string& why() const {
    static const std::string kNone;
    return ok() ? kNone : std::get<1>(state_).why;
  }

 private:
  std::variant<T, Failure> state_;
};

// An operation that gives nothing back: done, or why not.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failed_(true), why_(std::move(failure.why)) {}
  static Result Done() { return Result(); }
  static Result Failed(std::string why) { return Result(Failure{std::move(why)}); }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const std::string& why() const { return why_; }

 private:
  bool failed_ = false;
  std::string why_;
};

using Outcome = Result<void>;

}  // namespace orvelt

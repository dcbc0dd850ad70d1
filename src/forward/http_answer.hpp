#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvelt {

// The most of one answer that is ever read: its status line decides what happens to the frame,
// a few hundred bytes of its text tell the user why; the rest is not needed.
inline constexpr std::size_t kAnswerReadLimit = 8 * 1024;
// How much of an answer's body is kept to show the user.
inline constexpr std::size_t kAnswerTextLimit = 500;

// What a server answered to one request.
struct HttpAnswer {
  int status = 0;
  std::string reason;  // "Service Unavailable"
  std::string text;    // the start of the body, at most kAnswerTextLimit bytes
  std::string location;
  // How long the server asked to be left alone (Retry-After, as seconds or as a date).
  std::optional<std::int64_t> retry_after_ms;
  // The body was read to its end and the server keeps the connection open: the next request
  // may go over it.
  bool reusable = false;
};

// Reads one answer as its bytes arrive, never holding more than kAnswerReadLimit bytes of it.
// An answer whose status line arrived is taken as soon as the rest grows past the limit (the
// connection is then dropped, not read to its end).
class HttpAnswerReader {
 public:
  enum class State { kReading, kDone, kBad };

  // Takes bytes that arrived at `now_ms` (UTC milliseconds, for a Retry-After date). Gives how
  // many were used; bytes after a finished answer are left.
  std::size_t Feed(std::string_view bytes, std::int64_t now_ms);
  // The server closed the connection: an answer that runs to the end of the connection is
  // complete, any other unfinished one is bad.
  void End_Of_Stream();

  State state() const { return state_; }
  // Nothing was received yet.
  bool Untouched() const { return consumed_ == 0; }
  // Valid once the state is kDone.
  const HttpAnswer& answer() const { return answer_; }
  // Why the answer is bad.
  const std::string& problem() const { return problem_; }

 private:
  enum class Part { kHead, kBody, kChunkSize, kChunkData, kChunkEnd, kTrailer, kToClose };

  void Read_Head(std::int64_t now_ms);
  void Take_Body(std::string_view bytes);
  void Finish(bool reusable);
  void Fail(std::string problem);

  State state_ = State::kReading;
  Part part_ = Part::kHead;
  std::string head_;  // the status line and headers, until their blank line
  std::size_t consumed_ = 0;
  std::uint64_t remaining_ = 0;  // of the body or of the current chunk
  bool keep_alive_ = false;
  HttpAnswer answer_;
  std::string problem_;
};

// Seconds ("120") or an HTTP date ("Wed, 21 Oct 2026 07:28:00 GMT") as a wait from `now_ms`;
// nothing for anything else. A date in the past is no wait.
std::optional<std::int64_t> Parse_Retry_After(std::string_view value, std::int64_t now_ms);

// The head of a POST request with a body of `body_size` bytes.
std::string Http_Post_Head(std::string_view host, std::string_view path,
                           std::string_view content_type, std::size_t body_size,
                           std::string_view user_agent);

// "orvelt-receive/2.6": the program's name and version, so that a server's operator can tell
// who sends.
std::string User_Agent(std::string_view program, std::string_view version);

}  // namespace orvelt

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.hpp"

namespace orvelt {

// How much of an answer is read and kept, whatever the server sends.
struct AnswerLimits {
  // The most bytes of one answer (head and body) ever read.
  std::size_t read_bytes = 8 * 1024;
  // The most bytes of its body kept in HttpAnswer::text.
  std::size_t kept_bytes = 500;
  // The body is needed whole (a page of frames): an answer whose body is larger than kept_bytes,
  // or which is larger than read_bytes in all, is bad. Without it, the status line decides and
  // the rest is not needed, so such an answer is taken as soon as it grows past the limit (a
  // report's answer).
  bool whole_body = false;
};

// A report's answer: its status line decides what happens to the frame, a few hundred bytes of
// its text tell the user why.
inline constexpr AnswerLimits kReportAnswerLimits{8 * 1024, 500, false};

// What a server answered to one request.
struct HttpAnswer {
  int status = 0;
  std::string reason;  // "Service Unavailable"
  std::string text;    // the start of the body, as much as the limits keep
  std::string location;
  // Every Link header's value, joined by ", " as separate headers may be.
  std::string link;
  // How long the server asked to be left alone (Retry-After, as seconds or as a date).
  std::optional<std::int64_t> retry_after_ms;
  // The body was read to its end and the server keeps the connection open: the next request
  // may go over it.
  bool reusable = false;
};

// Reads one answer as its bytes arrive, never holding more than the limits allow. Interim
// answers (1xx) before the final one are passed over; a connection that ends after them has no
// answer.
class HttpAnswerReader {
 public:
  explicit HttpAnswerReader(AnswerLimits limits = kReportAnswerLimits) : limits_(limits) {}

  // Takes bytes that arrived at `now_ms` (UTC milliseconds, for a Retry-After date). Gives how
  // many were used; bytes after a finished answer are left.
  std::size_t Feed(std::string_view bytes, std::int64_t now_ms);
  // The server closed the connection: an answer that runs to the end of the connection is
  // complete, any other unfinished one is bad.
  void End_Of_Stream();

  // The answer is neither complete nor known to be bad yet.
  bool Reading() const { return reading_; }
  // Nothing was received yet.
  bool Untouched() const { return consumed_ == 0; }
  // The answer, or why it is bad; while Reading(), that it is not complete.
  const Result<HttpAnswer>& result() const { return result_; }

 private:
  enum class Part { kHead, kBody, kChunkSize, kChunkData, kChunkEnd, kTrailer, kToClose };

  void Read_Head(std::int64_t now_ms);
  void Take_Body(std::string_view bytes);
  void Finish(bool reusable);
  void Fail(std::string problem);
  bool Final() const { return answer_.status >= 200; }
  std::string Too_Large() const;

  AnswerLimits limits_;
  bool reading_ = true;
  Part part_ = Part::kHead;
  std::string head_;  // the status line and headers, until their blank line
  std::size_t consumed_ = 0;
  std::uint64_t remaining_ = 0;  // of the body or of the current chunk
  bool keep_alive_ = false;
  bool http_1_1_ = false;
  bool cut_ = false;   // the body went on past what is kept
  HttpAnswer answer_;  // as far as it was read
  Result<HttpAnswer> result_ = Failure{"the answer is not complete"};
};

// Seconds ("120") or an HTTP date ("Wed, 21 Oct 2026 07:28:00 GMT") as a wait from `now_ms`;
// nothing for anything else. A date in the past is no wait.
std::optional<std::int64_t> Parse_Retry_After(std::string_view value, std::int64_t now_ms);

// Whether a text holds a byte below 0x20 or DEL: such a text never goes into a header line,
// where a line end would start a header of its own.
bool Has_Control_Characters(std::string_view text);

using HeaderLines = std::vector<std::pair<std::string, std::string>>;

// The head of a request for `target` (path and query) on `host`, with the program's User-Agent,
// no compression asked for, and `headers` after them. A body's Content-Type and Content-Length
// come among `headers`. Header values are never written with control characters: callers refuse
// them before.
std::string Http_Request_Head(std::string_view method, std::string_view host,
                              std::string_view target, std::string_view user_agent,
                              const HeaderLines& headers);

// "orvelt-receive/2.6": the program's name and version, so that a server's operator can tell
// who sends.
std::string User_Agent(std::string_view program, std::string_view version);

}  // namespace orvelt

#include "net/http_answer.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace orvelt {
namespace {

struct Read {
  HttpAnswerReader reader;
  std::size_t used = 0;
};

// Feeds `bytes` in pieces of `piece` bytes (0: all at once), as a socket may deliver them,
// then the end of the connection when `closed`.
Read Read_Answer(const std::string& bytes, std::size_t piece = 0, bool closed = false,
                 AnswerLimits limits = kReportAnswerLimits) {
  Read read{HttpAnswerReader(limits), 0};
  const std::size_t step = piece == 0 ? bytes.size() : piece;
  for (std::size_t at = 0; at < bytes.size() && read.reader.Reading(); at += step) {
    read.used += read.reader.Feed(std::string_view(bytes).substr(at, step), 0);
  }
  if (closed) read.reader.End_Of_Stream();
  return read;
}

// What was read, as a row below says it: "bad: " and the reason, or the answer as `shown` writes
// it. A bad row names a part of the reason.
void Expect_Read(const Read& read, const std::string& expected,
                 const std::function<std::string(const HttpAnswer&)>& shown) {
  ASSERT_FALSE(read.reader.Reading());
  const Result<HttpAnswer>& answer = read.reader.result();
  if (expected.starts_with("bad: ")) {
    EXPECT_NE(answer.why().find(expected.substr(5)), std::string::npos) << answer.why();
  } else {
    ASSERT_TRUE(answer.ok()) << answer.why();
    EXPECT_EQ(shown(answer.value()), expected);
  }
}

// Each row: what a server sends, then "STATUS [TEXT]" and "kept" when the connection may carry
// the next request, or "bad: " and a part of the reason.
TEST(HttpAnswerReader, ReadsTheAnswersServersGiveAndRefusesTheRest) {
  const struct {
    std::string bytes;
    bool closed;
    std::string read;
  } cases[] = {
      {"HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok", false, "201 [ok] kept"},
      {"HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n", false, "200 []"},
      {"HTTP/1.0 200 OK\r\n\r\nstored", true, "200 [stored]"},
      {"HTTP/1.1 503 Busy\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n1\r\n!\r\n0\r\n"
       "T: 1\r\n\r\n",
       false, "503 [hello!] kept"},
      {"HTTP/1.1 204\r\n\r\n", false, "204 [] kept"},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nk", false,
       "200 [k] kept"},
      // An interim answer is never the answer, even when the server closes right after it.
      {"HTTP/1.1 100 Continue\r\n\r\n", true, "bad: after an interim answer"},
      {"HTTP/1.1 100 Continue\r\n", true, "bad: after an interim answer 100"},
      {"HTTP/1.1 103 Early Hints\r\nLink: </s>\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n", true,
       "bad: after an interim answer"},
      // An HTTP/1.0 server closes after its answer, whatever it says.
      {"HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 1\r\n\r\nk", false, "200 [k]"},
      // The status line arrived: it still decides, but the connection is done.
      {"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nok", true, "200 [ok]"},
      {"SSH-2.0-OpenSSH\r\n", false, "bad: not HTTP"},
      {"", true, "bad: without an answer"},
      {"HTTP/1.1 2", true, "bad: in the middle"},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, "bad: chunks"},
  };
  for (const auto& c : cases) {
    // Whole, and one byte at a time: the same answer.
    for (std::size_t piece : {std::size_t{0}, std::size_t{1}}) {
      SCOPED_TRACE(c.bytes + (piece ? ", byte by byte" : ""));
      const Read read = Read_Answer(c.bytes, piece, c.closed);
      Expect_Read(read, c.read, [](const HttpAnswer& answer) {
        return std::to_string(answer.status) + " [" + answer.text + "]" +
               (answer.reusable ? " kept" : "");
      });
      if (read.reader.result().ok()) {
        EXPECT_EQ(read.used, c.bytes.size());
      }
    }
  }
}

// Whatever a server sends, no more than the limit is read; once the status line is in, it
// decides and the connection is not used again.
TEST(HttpAnswerReader, ReadsNoMoreThanTheLimit) {
  const std::size_t limit = kReportAnswerLimits.read_bytes;
  const std::string huge(3 * limit, 'x');
  const struct {
    std::string bytes;
    int status;  // 0: bad
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n" + huge, 200},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFF\r\n" + huge, 200},
      {"HTTP/1.1 503 Busy\r\nX-Pad: " + huge, 503},
      {"HTTP/1.1 429 Slow\r\n" + std::string(limit, '\n'), 429},
      {"HTTP/1.1 200 " + huge, 0},
      {"HTTP/1.1 100 Continue\r\nX-Pad: " + huge, 0},
  };
  for (const auto& c : cases) {
    for (std::size_t piece : {std::size_t{0}, std::size_t{1000}}) {
      SCOPED_TRACE(c.bytes.substr(0, 40) + (piece ? ", in pieces" : ""));
      const Read read = Read_Answer(c.bytes, piece);
      EXPECT_LE(read.used, limit);
      ASSERT_FALSE(read.reader.Reading());
      const Result<HttpAnswer>& answer = read.reader.result();
      ASSERT_EQ(answer.ok(), c.status != 0) << answer.why();
      if (!answer.ok()) continue;
      EXPECT_EQ(answer.value().status, c.status);
      EXPECT_FALSE(answer.value().reusable);
      EXPECT_LE(answer.value().text.size(), kReportAnswerLimits.kept_bytes);
    }
  }
}

// A page is needed whole: one larger than the limit, or cut short, is no answer at all, however
// it comes; one within it is kept whole with all its Link headers.
TEST(HttpAnswerReader, APageIsReadWholeOrNotAtAll) {
  constexpr AnswerLimits kPage{256, 128, true};
  const std::string body(100, 'p');
  const struct {
    std::string bytes;
    bool closed;
    std::string read;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nLink: <a?c=1,2>; rel=next\r\nLink: <b>; rel=prev\r\n"
       "Content-Length: 100\r\n\r\n" +
           body,
       false, "100 <a?c=1,2>; rel=next, <b>; rel=prev"},
      {"HTTP/1.1 200 OK\r\n\r\n" + body, true, "100 "},
      {"HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n" + body, false, "bad: larger"},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n40000000\r\n" + body + body + body,
       false, "bad: larger"},
      {"HTTP/1.1 200 OK\r\n\r\n" + body + body + body, true, "bad: larger"},
      // Within what is read, but more body than is kept: no page either.
      {"HTTP/1.1 200 OK\r\n\r\n" + body + body.substr(0, 30), true, "bad: larger than 128"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 130\r\n\r\n" + body, false, "bad: larger than 128"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 101\r\n\r\n" + body, true, "bad: in the middle"},
  };
  for (const auto& c : cases) {
    for (std::size_t piece : {std::size_t{0}, std::size_t{7}}) {
      SCOPED_TRACE(c.bytes.substr(0, 60) + (piece ? ", in pieces" : ""));
      const Read read = Read_Answer(c.bytes, piece, c.closed, kPage);
      EXPECT_LE(read.used, kPage.read_bytes);
      Expect_Read(read, c.read, [&](const HttpAnswer& answer) {
        return (answer.text == body ? "100 " : "cut ") + answer.link;
      });
    }
  }
}

TEST(HttpAnswer, RetryAfterInSecondsOrAsADate) {
  constexpr std::int64_t kNow = 1796638500000;  // 2026-12-07 10:15:00 UTC
  const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
      {" 120 ", 120'000},
      {"Mon, 07 Dec 2026 10:16:30 GMT", 90'000},
      {"Mon, 07 Dec 2026 10:00:00 GMT", 0},  // past
      {"Mon, 31 Feb 2026 10:00:00 GMT", std::nullopt},
      {"-5", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [value, wait_ms] : cases) EXPECT_EQ(Parse_Retry_After(value, kNow), wait_ms);
}

}  // namespace
}  // namespace orvelt

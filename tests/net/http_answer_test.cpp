#include "net/http_answer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orvelt {
namespace {

struct Case {
  std::string bytes;
  bool closed;  // the server closes the connection after them
  std::string read;
};

// Reads each row's bytes whole and in pieces of `piece` bytes, as a socket may deliver them.
// Each way reads what the row says: "STATUS [TEXT]" (a text over 100 bytes by its size), "kept"
// when the connection may carry the next request, and the Link headers; or "bad: " and a part of
// the reason. No more than the limit is read; an answer takes every byte it is given up to it.
void Expect_Reads(const std::vector<Case>& cases, std::size_t piece,
                  AnswerLimits limits = kReportAnswerLimits) {
  for (const Case& c : cases) {
    for (const std::size_t step : {c.bytes.size(), piece}) {
      SCOPED_TRACE(c.bytes.substr(0, 60) + (step == piece ? ", in pieces" : ""));
      HttpAnswerReader reader(limits);
      std::size_t used = 0;
      for (std::size_t at = 0; at < c.bytes.size() && reader.Reading(); at += step) {
        used += reader.Feed(std::string_view(c.bytes).substr(at, step), 0);
      }
      if (c.closed) reader.End_Of_Stream();
      ASSERT_FALSE(reader.Reading());
      EXPECT_LE(used, limits.read_bytes);
      const Result<HttpAnswer>& answer = reader.result();
      if (c.read.starts_with("bad: ")) {
        EXPECT_NE(answer.why().find(c.read.substr(5)), std::string::npos) << answer.why();
        continue;
      }
      ASSERT_TRUE(answer.ok()) << answer.why();
      const HttpAnswer& a = answer.value();
      EXPECT_EQ(std::to_string(a.status) + " [" +
                    (a.text.size() > 100 ? std::to_string(a.text.size()) : a.text) + "]" +
                    (a.reusable ? " kept" : "") + (a.link.empty() ? "" : " " + a.link),
                c.read);
      EXPECT_EQ(used, std::min(c.bytes.size(), limits.read_bytes));
    }
  }
}

TEST(HttpAnswerReader, ReadsTheAnswersServersGiveAndRefusesTheRest) {
  Expect_Reads(
      {
          {"HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok", false, "201 [ok] kept"},
          {"HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n", false, "200 []"},
          {"HTTP/1.0 200 OK\r\n\r\nstored", true, "200 [stored]"},
          {"HTTP/1.1 503 Busy\r\nTransfer-Encoding: "
           "chunked\r\n\r\n5;x=y\r\nhello\r\n1\r\n!\r\n0\r\n"
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
          {"HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 1\r\n\r\nk", false,
           "200 [k]"},
          // The status line arrived: it still decides, but the connection is done.
          {"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nok", true, "200 [ok]"},
          {"SSH-2.0-OpenSSH\r\n", false, "bad: not HTTP"},
          {"", true, "bad: without an answer"},
          {"HTTP/1.1 2", true, "bad: in the middle"},
          {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, "bad: chunks"},
      },
      1);
}

// Whatever a server sends, no more than the limit is read; once the status line is in, it
// decides and the connection is not used again.
TEST(HttpAnswerReader, ReadsNoMoreThanTheLimit) {
  const std::string huge(3 * kReportAnswerLimits.read_bytes, 'x');
  const std::string kept = " [" + std::to_string(kReportAnswerLimits.kept_bytes) + "]";
  Expect_Reads(
      {
          {"HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n" + huge, false, "200" + kept},
          {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFF\r\n" + huge, false,
           "200" + kept},
          {"HTTP/1.1 503 Busy\r\nX-Pad: " + huge, false, "503 []"},
          {"HTTP/1.1 429 Slow\r\n" + std::string(kReportAnswerLimits.read_bytes, '\n'), false,
           "429" + kept},
          {"HTTP/1.1 200 " + huge, false, "bad: "},
          {"HTTP/1.1 100 Continue\r\nX-Pad: " + huge, false, "bad: "},
      },
      1000);
}

// A page is needed whole: one larger than the limit, or cut short, is no answer at all, however
// it comes; one within it is kept whole with all its Link headers.
TEST(HttpAnswerReader, APageIsReadWholeOrNotAtAll) {
  const std::string body(100, 'p');
  Expect_Reads(
      {
          {"HTTP/1.1 200 OK\r\nLink: <a?c=1,2>; rel=next\r\nLink: <b>; rel=prev\r\n"
           "Content-Length: 100\r\n\r\n" +
               body,
           false, "200 [" + body + "] kept <a?c=1,2>; rel=next, <b>; rel=prev"},
          {"HTTP/1.1 200 OK\r\n\r\n" + body, true, "200 [" + body + "]"},
          {"HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n" + body, false, "bad: larger"},
          {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n40000000\r\n" + body + body + body,
           false, "bad: larger"},
          {"HTTP/1.1 200 OK\r\n\r\n" + body + body + body, true, "bad: larger"},
          // Within what is read, but more body than is kept: no page either.
          {"HTTP/1.1 200 OK\r\n\r\n" + body + body.substr(0, 30), true, "bad: larger than 128"},
          {"HTTP/1.1 200 OK\r\nContent-Length: 130\r\n\r\n" + body, false, "bad: larger than 128"},
          {"HTTP/1.1 200 OK\r\nContent-Length: 101\r\n\r\n" + body, true, "bad: in the middle"},
      },
      7, {256, 128, true});
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

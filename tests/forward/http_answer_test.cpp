#include "forward/http_answer.hpp"

#include <gtest/gtest.h>

#include <string>

namespace orvelt {
namespace {

using State = HttpAnswerReader::State;

struct Read {
  HttpAnswerReader reader;
  std::size_t used = 0;
};

// Feeds `bytes` in pieces of `piece` bytes (0: all at once), as a socket may deliver them,
// then the end of the connection when `closed`.
Read Read_Answer(const std::string& bytes, std::size_t piece = 0, bool closed = false) {
  Read read;
  const std::size_t step = piece == 0 ? bytes.size() : piece;
  for (std::size_t at = 0; at < bytes.size() && read.reader.state() == State::kReading;
       at += step) {
    read.used += read.reader.Feed(std::string_view(bytes).substr(at, step), 0);
  }
  if (closed) read.reader.End_Of_Stream();
  return read;
}

TEST(HttpAnswerReader, ReadsTheAnswersServersGive) {
  struct Case {
    const char* name;
    std::string bytes;
    bool closed;
    int status;
    std::string text;
    bool reusable;
  } const cases[] = {
      {"length, kept open", "HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok", false, 201, "ok",
       true},
      {"length, then closed", "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n",
       false, 200, "", false},
      {"HTTP/1.0 to the end", "HTTP/1.0 200 OK\r\n\r\nstored", true, 200, "stored", false},
      {"HTTP/1.0 kept open",
       "HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 0\r\n\r\n", false, 200, "",
       true},
      {"chunked",
       "HTTP/1.1 503 Busy\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n1\r\n!\r\n0\r\nT: "
       "1\r\n\r\n",
       false, 503, "hello!", true},
      {"bare line ends", "HTTP/1.1 400 Bad\nContent-Length: 3\n\nno!", false, 400, "no!", true},
      {"no reason, no body", "HTTP/1.1 204\r\n\r\n", false, 204, "", true},
      {"100 Continue first",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nk", false, 200,
       "k", true},
  };
  for (const Case& c : cases) {
    // Whole, and one byte at a time: the same answer.
    for (std::size_t piece : {std::size_t{0}, std::size_t{1}}) {
      SCOPED_TRACE(std::string(c.name) + (piece ? ", byte by byte" : ""));
      const Read read = Read_Answer(c.bytes, piece, c.closed);
      ASSERT_EQ(read.reader.state(), State::kDone) << read.reader.problem();
      EXPECT_EQ(read.reader.answer().status, c.status);
      EXPECT_EQ(read.reader.answer().text, c.text);
      EXPECT_EQ(read.reader.answer().reusable, c.reusable);
      EXPECT_EQ(read.used, c.bytes.size());
    }
  }
}

// Whatever a server sends, no more than the limit is read; once the status line is in, it
// decides and the connection is not used again.
TEST(HttpAnswerReader, ReadsNoMoreThanTheLimit) {
  const std::string huge(3 * kAnswerReadLimit, 'x');
  struct Case {
    const char* name;
    std::string bytes;
    State state;
    int status;
  } const cases[] = {
      {"1 GiB body", "HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n" + huge, State::kDone,
       200},
      {"endless chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFF\r\n" + huge,
       State::kDone, 200},
      {"endless header line", "HTTP/1.1 503 Busy\r\nX-Pad: " + huge, State::kDone, 503},
      {"endless headers", "HTTP/1.1 429 Slow\r\n" + std::string(kAnswerReadLimit, '\n'),
       State::kDone, 429},
      {"endless status line", "HTTP/1.1 200 " + huge, State::kBad, 0},
  };
  for (const Case& c : cases) {
    for (std::size_t piece : {std::size_t{0}, std::size_t{1000}}) {
      SCOPED_TRACE(std::string(c.name) + (piece ? ", in pieces" : ""));
      const Read read = Read_Answer(c.bytes, piece);
      EXPECT_EQ(read.reader.state(), c.state);
      EXPECT_LE(read.used, kAnswerReadLimit);
      if (c.state == State::kDone) {
        EXPECT_EQ(read.reader.answer().status, c.status);
        EXPECT_FALSE(read.reader.answer().reusable);
        EXPECT_LE(read.reader.answer().text.size(), kAnswerTextLimit);
      }
    }
  }
}

TEST(HttpAnswerReader, RefusesWhatIsNotAnAnswer) {
  struct Case {
    const char* name;
    std::string bytes;
    bool closed;
    const char* problem;
  } const cases[] = {
      {"not HTTP", "SSH-2.0-OpenSSH\r\n", false, "not HTTP"},
      {"status out of range", "HTTP/1.1 999 What\r\n", false, "not HTTP"},
      {"closed at once", "", true, "without an answer"},
      {"closed in the status line", "HTTP/1.1 2", true, "in the middle"},
      {"closed in the body", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nok", true, ""},
      {"bad length", "HTTP/1.1 200 OK\r\nContent-Length: lots\r\n\r\n", false, "Content-Length"},
      {"bad chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, "chunks"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Read read = Read_Answer(c.bytes, 0, c.closed);
    if (std::string(c.problem).empty()) {
      // The status line arrived: it still decides, but the connection is done.
      ASSERT_EQ(read.reader.state(), State::kDone);
      EXPECT_FALSE(read.reader.answer().reusable);
      continue;
    }
    ASSERT_EQ(read.reader.state(), State::kBad);
    EXPECT_NE(read.reader.problem().find(c.problem), std::string::npos) << read.reader.problem();
  }
}

TEST(HttpAnswerReader, LeavesWhatFollowsTheAnswerAndReadsItsHeaders) {
  const std::string answer =
      "HTTP/1.1 301 Moved\r\nLocation: https://b.example/\r\nRetry-After: 7\r\n"
      "Content-Length: 0\r\n\r\n";
  HttpAnswerReader reader;
  EXPECT_EQ(reader.Feed(answer + "HTTP/1.1 200 OK\r\n", 0), answer.size());
  ASSERT_EQ(reader.state(), State::kDone);
  EXPECT_EQ(reader.answer().location, "https://b.example/");
  EXPECT_EQ(reader.answer().retry_after_ms, 7000);
  EXPECT_EQ(reader.answer().reason, "Moved");
}

TEST(HttpAnswer, RetryAfterInSecondsOrAsADate) {
  // 2026-12-07 10:15:00 UTC.
  constexpr std::int64_t kNow = 1796638500000;
  struct Case {
    const char* value;
    std::optional<std::int64_t> wait_ms;
  } const cases[] = {
      {"120", 120'000},
      {" 0 ", 0},
      {"Mon, 07 Dec 2026 10:16:30 GMT", 90'000},
      {"Mon, 07 Dec 2026 10:00:00 GMT", 0},  // past
      {"Mon, 31 Feb 2026 10:00:00 GMT", std::nullopt},
      {"Monday, 07-Dec-26 10:16:30 GMT", std::nullopt},
      {"-5", std::nullopt},
      {"soon", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parse_Retry_After(c.value, kNow), c.wait_ms) << c.value;
  }
}

}  // namespace
}  // namespace orvelt

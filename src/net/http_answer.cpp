#include "net/http_answer.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <limits>

#include "base/text_reading.hpp"

namespace orvelt {
namespace {

// The most of a Location header kept to show the user.
constexpr std::size_t kShownHeaderBytes = 500;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// The next line of `text` from `start` without its line end; nothing when it is unfinished.
std::optional<std::string_view> Line_At(std::string_view text, std::size_t& start) {
  const std::size_t end = text.find('\n', start);
  if (end == std::string_view::npos) return std::nullopt;
  std::string_view line = text.substr(start, end - start);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  start = end + 1;
  return line;
}

}  // namespace

std::size_t HttpAnswerReader::Feed(std::string_view bytes, std::int64_t now_ms) {
  std::size_t used = 0;
  while (reading_) {
    if (consumed_ >= limits_.read_bytes) {
      if (limits_.whole_body) {
        Fail(Too_Large());
      } else if (Final()) {
        // The status line decides; what follows is not worth reading.
        Finish(false);
      } else {
        Fail("no answer within the first " + std::to_string(limits_.read_bytes) + " bytes");
      }
      break;
    }
    if (used >= bytes.size()) break;
    const std::size_t room = limits_.read_bytes - consumed_;
    const std::string_view piece = bytes.substr(used, room);
    if (part_ == Part::kHead) {
      // Take bytes up to the blank line that ends the head, and not one more.
      std::size_t take = 0;
      bool ended = false;
      while (take < piece.size() && !ended) {
        head_ += piece[take++];
        const std::size_t n = head_.size();
        ended = (n >= 2 && head_[n - 1] == '\n' && head_[n - 2] == '\n') ||
                (n >= 4 && head_.compare(n - 4, 4, "\r\n\r\n") == 0);
      }
      used += take;
      consumed_ += take;
      if (answer_.status == 0) {
        // The status line alone decides what becomes of a report: read it as soon as it is
        // whole, in case the headers never end.
        std::size_t start = 0;
        if (auto line = Line_At(head_, start)) {
          const std::string_view status_line = *line;
          int status = 0;
          const bool http = status_line.substr(0, 5) == "HTTP/" && status_line.size() >= 12 &&
                            status_line[8] == ' ';
          if (http) {
            const auto code = Read_Whole_Number<std::uint64_t>(status_line.substr(9, 3), 10);
            status = code && *code >= 100 && *code <= 599 ? static_cast<int>(*code) : 0;
          }
          if (status == 0) {
            Fail("the server's answer is not HTTP");
            break;
          }
          answer_.status = status;
          answer_.reason = std::string(Trim(status_line.substr(12)));
          // An HTTP/1.0 server closes after its answer, whatever it says it keeps.
          http_1_1_ = status_line.substr(5, 3) == "1.1";
          keep_alive_ = http_1_1_;
        }
      }
      if (ended) Read_Head(now_ms);
    } else {
      const std::size_t before = consumed_;
      Take_Body(piece);
      used += consumed_ - before;
    }
  }
  return used;
}

void HttpAnswerReader::Read_Head(std::int64_t now_ms) {
  std::size_t start = 0;
  Line_At(head_, start);  // the status line, read already
  bool chunked = false;
  std::optional<std::uint64_t> length;
  while (auto line = Line_At(head_, start)) {
    if (line->empty()) break;
    const std::size_t colon = line->find(':');
    if (colon == std::string_view::npos) continue;
    const std::string name = Lower(Trim(line->substr(0, colon)));
    const std::string_view value = Trim(line->substr(colon + 1));
    if (name == "content-length") {
      length = Read_Whole_Number<std::uint64_t>(value, 10);
      if (!length) return Fail("the answer's Content-Length is not a number");
    } else if (name == "transfer-encoding") {
      chunked = Lower(value).find("chunked") != std::string::npos;
    } else if (name == "connection") {
      const std::string lower = Lower(value);
      if (lower.find("close") != std::string::npos) keep_alive_ = false;
      if (lower.find("keep-alive") != std::string::npos && http_1_1_) keep_alive_ = true;
    } else if (name == "retry-after") {
      answer_.retry_after_ms = Parse_Retry_After(value, now_ms);
    } else if (name == "location") {
      answer_.location = std::string(value.substr(0, kShownHeaderBytes));
    } else if (name == "link") {
      if (!answer_.link.empty()) answer_.link += ", ";
      answer_.link += value;
    }
  }
  head_.clear();
  if (!Final()) {
    // "100 Continue" and the like come before the real answer.
    if (answer_.status == 101) return Fail("the server switched protocols");
    answer_ = {};
    return;
  }
  if (answer_.status == 204 || answer_.status == 304) return Finish(keep_alive_);
  if (chunked) {
    part_ = Part::kChunkSize;
  } else if (length) {
    if (*length == 0) return Finish(keep_alive_);
    if (limits_.whole_body && *length > limits_.kept_bytes) return Fail(Too_Large());
    part_ = Part::kBody;
    remaining_ = *length;
  } else {
    // The body runs until the server closes the connection.
    part_ = Part::kToClose;
    keep_alive_ = false;
  }
}

void HttpAnswerReader::Take_Body(std::string_view bytes) {
  std::size_t i = 0;
  auto keep_text = [this](std::string_view text) {
    const std::size_t room = limits_.kept_bytes - std::min(limits_.kept_bytes, answer_.text.size());
    answer_.text.append(text.substr(0, room));
    cut_ = cut_ || text.size() > room;
  };
  while (i < bytes.size() && reading_) {
    switch (part_) {
      case Part::kBody:
      case Part::kChunkData: {
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, bytes.size() - i));
        keep_text(bytes.substr(i, take));
        i += take;
        remaining_ -= take;
        if (remaining_ == 0) {
          if (part_ == Part::kBody) {
            consumed_ += i;
            return Finish(keep_alive_);
          }
          part_ = Part::kChunkEnd;
        }
        break;
      }
      case Part::kToClose: {
        keep_text(bytes.substr(i));
        i = bytes.size();
        break;
      }
      case Part::kChunkSize:
      case Part::kChunkEnd:
      case Part::kTrailer: {
        const char c = bytes[i++];
        if (c != '\n') {
          head_ += c;
          break;
        }
        std::string_view line = head_;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (part_ == Part::kChunkEnd) {
          if (!line.empty()) {
            consumed_ += i;
            return Fail("the answer's chunks are malformed");
          }
          part_ = Part::kChunkSize;
        } else if (part_ == Part::kChunkSize) {
          const auto size =
              Read_Whole_Number<std::uint64_t>(Trim(line.substr(0, line.find(';'))), 16);
          if (!size) {
            consumed_ += i;
            return Fail("the answer's chunks are malformed");
          }
          remaining_ = *size;
          part_ = *size == 0 ? Part::kTrailer : Part::kChunkData;
        } else if (line.empty()) {
          head_.clear();
          consumed_ += i;
          return Finish(keep_alive_);
        }
        head_.clear();
        break;
      }
      case Part::kHead:
        break;
    }
  }
  consumed_ += i;
}

void HttpAnswerReader::End_Of_Stream() {
  if (!reading_) return;
  if (part_ == Part::kToClose) return Finish(false);
  if (consumed_ == 0) return Fail("the server closed the connection without an answer");
  if (answer_.status != 0 && !Final()) {
    return Fail("the server closed the connection after an interim answer " +
                std::to_string(answer_.status));
  }
  if (answer_.status == 0 && part_ == Part::kHead && head_.empty()) {
    return Fail("the server closed the connection after an interim answer");
  }
  // A report's answer is decided by its status line; a page cut short is no page.
  if (Final() && !limits_.whole_body) return Finish(false);
  Fail("the server closed the connection in the middle of its answer");
}

void HttpAnswerReader::Finish(bool reusable) {
  // A body needed whole that was kept only in part is no answer.
  if (cut_ && limits_.whole_body) return Fail(Too_Large());
  answer_.reusable = reusable;
  reading_ = false;
  result_ = answer_;
  head_.clear();
}

void HttpAnswerReader::Fail(std::string problem) {
  reading_ = false;
  result_ = Failure{std::move(problem)};
  head_.clear();
}

std::string HttpAnswerReader::Too_Large() const {
  return "the answer is larger than " + std::to_string(limits_.kept_bytes) + " bytes";
}

std::optional<std::int64_t> Parse_Retry_After(std::string_view value, std::int64_t now_ms) {
  value = Trim(value);
  if (const auto seconds = Read_Whole_Number<std::uint64_t>(value, 10)) {
    constexpr std::uint64_t kMaxSeconds = std::numeric_limits<std::int64_t>::max() / 1000;
    return static_cast<std::int64_t>(std::min(*seconds, kMaxSeconds)) * 1000;
  }
  // IMF-fixdate, the one date form servers send today: "Wed, 21 Oct 2026 07:28:00 GMT".
  constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (value.size() != 29 || value.substr(3, 2) != ", " || value.substr(25) != " GMT") {
    return std::nullopt;
  }
  const auto day = Read_Whole_Number<std::uint64_t>(value.substr(5, 2), 10);
  const auto year = Read_Whole_Number<std::uint64_t>(value.substr(12, 4), 10);
  const auto hour = Read_Whole_Number<std::uint64_t>(value.substr(17, 2), 10);
  const auto minute = Read_Whole_Number<std::uint64_t>(value.substr(20, 2), 10);
  const auto second = Read_Whole_Number<std::uint64_t>(value.substr(23, 2), 10);
  const auto month = std::find(kMonths.begin(), kMonths.end(), value.substr(8, 3));
  if (!day || !year || !hour || !minute || !second || month == kMonths.end() || value[16] != ' ' ||
      value[19] != ':' || value[22] != ':' || *hour > 23 || *minute > 59 || *second > 60) {
    return std::nullopt;
  }
  using namespace std::chrono;
  const year_month_day date{std::chrono::year(static_cast<int>(*year)),
                            std::chrono::month(static_cast<unsigned>(month - kMonths.begin() + 1)),
                            std::chrono::day(static_cast<unsigned>(*day))};
  if (!date.ok()) return std::nullopt;
  const std::int64_t at_ms =
      duration_cast<milliseconds>(sys_days(date).time_since_epoch() + hours(*hour) +
                                  minutes(*minute) + seconds(*second))
          .count();
  return std::max<std::int64_t>(0, at_ms - now_ms);
}

bool Has_Control_Characters(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

std::string Http_Request_Head(std::string_view method, std::string_view host,
                              std::string_view target, std::string_view user_agent,
                              const HeaderLines& headers) {
  std::string head(method);
  head.append(" ").append(target.empty() ? "/" : target).append(" HTTP/1.1\r\nHost: ");
  head.append(host).append("\r\nUser-Agent: ").append(user_agent);
  for (const auto& [name, value] : headers)
    head.append("\r\n").append(name).append(": ").append(value);
  // No Accept-Encoding: answers come as they are, so that the limits count what is kept.
  head.append("\r\nConnection: keep-alive\r\n\r\n");
  return head;
}

std::string User_Agent(std::string_view program, std::string_view version) {
  std::string agent(program.empty() ? std::string_view("orvelt") : program);
  return agent.append("/").append(version);
}

}  // namespace orvelt

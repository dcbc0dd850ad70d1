#include "archive/network_fetch_rules.hpp"

#include <charconv>

#include "archive/satnogs_export.hpp"

namespace orvelt {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// "scheme://host:port" of an address, lower-cased, with the scheme's port made explicit.
std::string Origin(std::string_view url) {
  const std::size_t scheme_end = url.find("://");
  if (scheme_end == std::string_view::npos) return {};
  std::string scheme(url.substr(0, scheme_end));
  std::string_view rest = url.substr(scheme_end + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (rest.find('@') != std::string_view::npos) return {};  // no credentials in addresses
  std::string authority(rest);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : authority) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (authority.find(':') == std::string::npos) {
    authority += scheme == "https" ? ":443" : scheme == "http" ? ":80" : "";
  }
  return scheme + "://" + authority;
}

// A small JSON reader for the pages: keeps the string members of the objects of the top array.
class PageReader {
 public:
  explicit PageReader(std::string_view text) : text_(text) {}

  std::optional<TelemetryPage> Read() {
    TelemetryPage page;
    Space();
    if (!Eat('[')) return std::nullopt;
    Space();
    if (Eat(']')) return End(page);
    for (;;) {
      Space();
      if (Peek() == '{') {
        NetworkEntry entry;
        std::string frame, timestamp;
        if (!Object(frame, timestamp, entry.observer)) return std::nullopt;
        auto bytes = Network_Frame_Bytes(frame);
        const auto time = Parse_Utc_Time(timestamp);
        if (bytes && time) {
          entry.bytes = std::move(*bytes);
          entry.time = *time;
          page.entries.push_back(std::move(entry));
        } else {
          ++page.unusable;
        }
      } else {
        if (!Skip_Value(0)) return std::nullopt;
        ++page.unusable;
      }
      Space();
      if (Eat(']')) return End(page);
      if (!Eat(',')) return std::nullopt;
    }
  }

 private:
  static constexpr int kMaxDepth = 32;

  std::optional<TelemetryPage> End(TelemetryPage& page) {
    Space();
    if (pos_ != text_.size()) return std::nullopt;
    return std::move(page);
  }
  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  bool Eat(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  void Space() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\t')) {
      ++pos_;
    }
  }
  bool Object(std::string& frame, std::string& timestamp, std::string& observer) {
    Eat('{');
    Space();
    if (Eat('}')) return true;
    for (;;) {
      Space();
      std::string name;
      if (!String(name)) return false;
      Space();
      if (!Eat(':')) return false;
      Space();
      std::string* into = name == "frame"       ? &frame
                          : name == "timestamp" ? &timestamp
                          : name == "observer"  ? &observer
                                                : nullptr;
      if (into && Peek() == '"') {
        if (!String(*into)) return false;
      } else if (!Skip_Value(1)) {
        return false;
      }
      Space();
      if (Eat('}')) return true;
      if (!Eat(',')) return false;
    }
  }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return false;
      const char e = text_[pos_++];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'r':
          out += '\r';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          if (pos_ + 4 > text_.size()) return false;
          unsigned code = 0;
          const auto [end, error] =
              std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, code, 16);
          if (error != std::errc() || end != text_.data() + pos_ + 4) return false;
          pos_ += 4;
          // Only frames, times and callsigns are read: anything beyond ASCII is kept as '?'.
          out += code < 0x80 ? static_cast<char>(code) : '?';
          break;
        }
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        default:
          return false;
      }
    }
    return false;
  }
  bool Skip_Value(int depth) {
    if (depth > kMaxDepth) return false;
    Space();
    const char c = Peek();
    if (c == '"') {
      std::string ignored;
      return String(ignored);
    }
    if (c == '{' || c == '[') {
      const char close = c == '{' ? '}' : ']';
      ++pos_;
      Space();
      if (Eat(close)) return true;
      for (;;) {
        Space();
        if (c == '{') {
          std::string ignored;
          if (!String(ignored)) return false;
          Space();
          if (!Eat(':')) return false;
        }
        if (!Skip_Value(depth + 1)) return false;
        Space();
        if (Eat(close)) return true;
        if (!Eat(',')) return false;
      }
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && std::string_view("+-.0123456789eEtruefalsn").find(text_[pos_]) !=
                                      std::string_view::npos) {
      ++pos_;
    }
    const std::string_view word = text_.substr(start, pos_ - start);
    if (word == "true" || word == "false" || word == "null") return true;
    double number = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
    return !word.empty() && error == std::errc() && end == word.data() + word.size();
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::string Telemetry_Query_Url(const std::string& server, int norad, UtcSeconds from,
                                UtcSeconds to) {
  std::string base = server;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/api/telemetry/?satellite=" + std::to_string(norad) +
         "&start=" + Format_Utc_Time(from) + "&end=" + Format_Utc_Time(to);
}

std::optional<std::string> Next_Link(std::string_view header) {
  while (!header.empty()) {
    const std::size_t open = header.find('<');
    const std::size_t close = header.find('>', open);
    if (open == std::string_view::npos || close == std::string_view::npos) return std::nullopt;
    const std::string_view url = header.substr(open + 1, close - open - 1);
    std::string_view params = header.substr(close + 1);
    const std::size_t next_entry = params.find('<');
    params = params.substr(0, next_entry);
    for (std::size_t from = 0; from < params.size();) {
      const std::size_t semi = params.find(';', from);
      const std::string_view param = Trim(params.substr(
          from, semi == std::string_view::npos ? std::string_view::npos : semi - from));
      if (param == "rel=\"next\"" || param == "rel=next") return std::string(url);
      if (semi == std::string_view::npos) break;
      from = semi + 1;
    }
    if (next_entry == std::string_view::npos) return std::nullopt;
    header = header.substr(close + 1 + next_entry);
  }
  return std::nullopt;
}

bool Same_Server(std::string_view url, std::string_view server) {
  const std::string origin = Origin(url);
  return !origin.empty() && origin == Origin(server);
}

FetchAnswer Classify_Fetch_Answer(int http_status) {
  if (http_status == 200) return FetchAnswer::Page;
  if (http_status == 429 || http_status == 503) return FetchAnswer::Wait;
  if (http_status == 401 || http_status == 403) return FetchAnswer::TokenRefused;
  return FetchAnswer::Failed;
}

std::optional<std::int64_t> Retry_After_Seconds(std::string_view header) {
  header = Trim(header);
  std::int64_t seconds = 0;
  const auto [end, error] = std::from_chars(header.data(), header.data() + header.size(), seconds);
  if (header.empty() || error != std::errc() || end != header.data() + header.size() ||
      seconds < 0) {
    return std::nullopt;
  }
  return seconds;
}

std::optional<TelemetryPage> Parse_Telemetry_Page(std::string_view json) {
  return PageReader(json).Read();
}

}  // namespace orvelt

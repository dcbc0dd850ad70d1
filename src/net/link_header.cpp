#include "net/link_header.hpp"

#include <algorithm>

namespace orvelt {
namespace {

bool Is_Space(char c) {
  return c == ' ' || c == '\t';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads one header from its start, a position at a time.
class LinkReader {
 public:
  explicit LinkReader(std::string_view text) : text_(text) {}

  std::vector<WebLink> Read() {
    std::vector<WebLink> links;
    while (true) {
      while (pos_ < text_.size() && (Is_Space(Peek()) || Peek() == ',')) ++pos_;
      if (pos_ >= text_.size()) break;
      std::optional<WebLink> link = Link();
      if (link) links.push_back(std::move(*link));
      // What is left of a link that could not be read, up to the next one.
      Skip_To_Comma();
    }
    return links;
  }

 private:
  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  void Spaces() {
    while (pos_ < text_.size() && Is_Space(text_[pos_])) ++pos_;
  }

  std::optional<WebLink> Link() {
    if (Peek() != '<') return std::nullopt;
    const std::size_t close = text_.find('>', pos_);
    if (close == std::string_view::npos) {
      pos_ = text_.size();
      return std::nullopt;
    }
    WebLink link;
    link.target = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
    pos_ = close + 1;
    bool rel_seen = false;
    while (true) {
      Spaces();
      if (Peek() != ';') break;
      ++pos_;
      Spaces();
      std::string name;
      while (pos_ < text_.size() && !Is_Space(Peek()) && Peek() != '=' && Peek() != ';' &&
             Peek() != ',') {
        name += Lower(text_[pos_++]);
      }
      Spaces();
      std::string value;
      if (Peek() == '=') {
        ++pos_;
        Spaces();
        if (!Value(value)) return std::nullopt;
      }
      if (name == "rel" && !rel_seen) {
        rel_seen = true;
        Split_Rels(value, link.rels);
      }
    }
    if (pos_ < text_.size() && Peek() != ',') return std::nullopt;
    return link;
  }

  // A token or a quoted string; false when a quoted string never ends.
  bool Value(std::string& value) {
    if (Peek() != '"') {
      while (pos_ < text_.size() && !Is_Space(Peek()) && Peek() != ';' && Peek() != ',') {
        value += text_[pos_++];
      }
      return true;
    }
    ++pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (c == '\\' && pos_ < text_.size()) {
        value += text_[pos_++];
      } else {
        value += c;
      }
    }
    return false;
  }

  static void Split_Rels(std::string_view value, std::vector<std::string>& rels) {
    std::string rel;
    for (const char c : value) {
      if (Is_Space(c)) {
        if (!rel.empty()) rels.push_back(std::move(rel));
        rel.clear();
      } else {
        rel += Lower(c);
      }
    }
    if (!rel.empty()) rels.push_back(std::move(rel));
  }

  void Skip_To_Comma() {
    bool quoted = false;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '"') quoted = !quoted;
      if (c == '\\' && quoted) ++pos_;
      if (c == ',' && !quoted) return;
      if (c == '<' && !quoted) {
        // The next link, after something unreadable before its comma.
        const std::size_t close = text_.find('>', pos_);
        if (close == std::string_view::npos) break;
        pos_ = close;
      }
      ++pos_;
    }
    pos_ = text_.size();
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::vector<WebLink> Parse_Link_Header(std::string_view header) {
  return LinkReader(header).Read();
}

std::optional<std::string> Link_Target(std::string_view header, std::string_view rel) {
  for (WebLink& link : Parse_Link_Header(header)) {
    if (std::find(link.rels.begin(), link.rels.end(), rel) != link.rels.end()) {
      return std::move(link.target);
    }
  }
  return std::nullopt;
}

}  // namespace orvelt

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvelt {

// "YYYY-MM-DD HH:MM:SS" (UTC) of a count of seconds since 1970-01-01 00:00:00, the form of the
// text time labels that stations write and that the charts cut the time of day from.
std::string Format_Time_Label(std::int64_t seconds_since_1970);

// The seconds of a label in that form, or nothing when the text is not one.
std::optional<std::int64_t> Parse_Time_Label(std::string_view label);

// Milliseconds since 1970 (UTC) before 10000-01-01 fit the four-digit year of a label.
inline constexpr std::uint64_t kYear10000Ms = 253402300800000ULL;

// The time label in force, which the store and the frame log stamp on every sample and frame.
// Every text it takes is given a number that no other text of the process ever had, so that
// they can tell by one comparison that it is still the label they stamped last, where
// comparing its characters for every sample costs more than storing the sample. Copies carry
// the number along with the text.
class TimeLabelText {
 public:
  TimeLabelText() : revision_(Next_Revision()) {}
  TimeLabelText(const TimeLabelText&) = default;
  TimeLabelText& operator=(const TimeLabelText&) = default;
  TimeLabelText& operator=(std::string_view text) {
    assign(text.data(), text.size());
    return *this;
  }
  void assign(const char* chars, std::size_t length) {
    text_.assign(chars, length);
    revision_ = Next_Revision();
  }
  void clear() { assign("", 0); }

  operator std::string_view() const { return text_; }
  std::size_t size() const { return text_.size(); }
  // Never 0, which a holder of a label may use for "none yet".
  std::uint64_t revision() const { return revision_; }

  friend bool operator==(const TimeLabelText& label, std::string_view text) {
    return std::string_view(label.text_) == text;
  }

 private:
  static std::uint64_t Next_Revision();

  std::string text_;
  std::uint64_t revision_;
};

}  // namespace orvelt

#include "export/csv_export.hpp"

#include <string_view>

#include "decode/channels.hpp"
#include "decode/latin1.hpp"
#include "decode/printable_text.hpp"

namespace orvelt {

namespace {

bool Plain_Field(std::string_view utf8) {
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c >= 0x7F || c == ',' || c == '"' || c == '\\') return false;
  }
  return true;
}

void Write_Csv_Field(std::ostream& out, std::string_view utf8) {
  std::string text;
  Append_Csv_Field(text, utf8);
  out << text;
}

}  // namespace

// Control characters are written as \xHH and a backslash as \\ (Printable_Text), so that a
// label holding terminal escape sequences never reaches a terminal raw.
void Append_Csv_Field(std::string& out, std::string_view utf8) {
  if (Plain_Field(utf8)) {
    out += utf8;
    return;
  }
  const std::string text = Printable_Text(utf8);
  if (text.find_first_of(",\"") == std::string::npos) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void Write_Csv(std::ostream& out, const TelemetryStore& store) {
  out << "channel,caption,unit,sample,time_label,value\n";
  for (int c = 0; c < kChannelCount; ++c) {
    const std::string caption(Channel_Caption(c));
    const std::string unit(Channel_Unit(c));
    for (int i = 1; i <= store.Count(c); ++i) {
      out << c << ',';
      Write_Csv_Field(out, caption);
      out << ',';
      Write_Csv_Field(out, unit);
      out << ',' << i << ',';
      Write_Csv_Field(out, Latin1_To_Utf8(store.Label(c, i)));
      out << ',' << Plain_Number(store.Value(c, i)) << '\n';
    }
  }
}

}  // namespace orvelt

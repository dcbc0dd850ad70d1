#include "dump_format.hpp"

#include <charconv>
#include <string_view>

#include "decode/latin1.hpp"

namespace orvelt {

namespace {

void Write_Csv_Field(std::ostream& out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out << text;
    return;
  }
  out << '"';
  for (const char c : text) {
    if (c == '"') out << '"';
    out << c;
  }
  out << '"';
}

void Write_Json_String(std::ostream& out, std::string_view utf8) {
  out << '"';
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out << "\\\"";
        break;
      case '\\':
        out << "\\\\";
        break;
      case '\n':
        out << "\\n";
        break;
      case '\r':
        out << "\\r";
        break;
      case '\t':
        out << "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          static constexpr char kHex[] = "0123456789abcdef";
          out << "\\u00" << kHex[c >> 4] << kHex[c & 0x0F];
        } else {
          out << ch;
        }
    }
  }
  out << '"';
}

void Write_Problem(std::ostream& out, const LoadProblem& p) {
  out << "{\"file\": ";
  Write_Json_String(out, p.file);
  out << ", \"frame\": " << p.frame << ", \"reason\": ";
  Write_Json_String(out, p.reason);
  out << '}';
}

}  // namespace

std::string Shortest_Number(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return {text, result.ptr};
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
      out << ',' << Shortest_Number(store.Value(c, i)) << '\n';
    }
  }
}

void Write_Json(std::ostream& out, const TelemetryStore& store, const FormModel& form,
                const LoadReport& report) {
  out << "{\"channels\": {";
  const char* channel_sep = "";
  for (int c = 0; c < kChannelCount; ++c) {
    if (store.Count(c) == 0) continue;
    out << channel_sep << "\n  \"" << c << "\": [";
    channel_sep = ",";
    for (int i = 1; i <= store.Count(c); ++i) {
      out << (i > 1 ? ", [" : "[");
      Write_Json_String(out, Latin1_To_Utf8(store.Label(c, i)));
      out << ", " << Shortest_Number(store.Value(c, i)) << ']';
    }
    out << ']';
  }
  out << "},\n\"messages\": [";
  for (std::size_t k = 0; k < form.List1.size(); ++k) {
    out << (k ? ",\n  " : "\n  ");
    Write_Json_String(out, form.List1[k]);
  }
  out << "],\n\"switch_status\": {";
  const char* status_sep = "";
  for (int box = kFirstStatusBox; box <= kLastStatusBox; ++box) {
    const ValueBox& b = form.Text1[static_cast<std::size_t>(box)];
    if (!b.written) continue;
    out << status_sep << '"' << box << "\": ";
    Write_Json_String(out, b.text);
    status_sep = ", ";
  }
  out << "},\n\"problems\": [";
  for (std::size_t k = 0; k < report.problems.size(); ++k) {
    out << (k ? ",\n  " : "\n  ");
    Write_Problem(out, report.problems[k]);
  }
  out << "],\n\"stopped\": ";
  if (report.stopped) {
    Write_Problem(out, *report.stopped);
  } else {
    out << "null";
  }
  out << "}\n";
}

void Write_Hex(std::ostream& out, const FormModel& form) {
  for (std::size_t i = 0; i < form.Debug.size(); ++i) out << form.Debug.Line(i) << '\n';
}

}  // namespace orvelt

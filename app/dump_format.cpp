#include "dump_format.hpp"

#include <cstdint>
#include <string_view>

#include "decode/latin1.hpp"
#include "form/channel_table.hpp"

namespace orvelt {

namespace {

// Length of the valid UTF-8 sequence at the start of `s`, 0 when it is not one.
std::size_t Utf8_Sequence(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  std::size_t n = b0 < 0x80         ? 1
                  : (b0 >> 5) == 6  ? 2
                  : (b0 >> 4) == 14 ? 3
                  : (b0 >> 3) == 30 ? 4
                                    : 0;
  if (n == 0 || n > s.size()) return 0;
  std::uint32_t cp = n == 1 ? b0 : b0 & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are no valid UTF-8.
  constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

void Write_Json_String(std::ostream& out, std::string_view utf8) {
  out << '"';
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const std::size_t n = Utf8_Sequence(utf8.substr(i));
    if (n == 0) {
      out << "\\ufffd";
      continue;
    }
    if (n > 1) {
      out << utf8.substr(i, n);
      i += n - 1;
      continue;
    }
    const char ch = utf8[i];
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

namespace {

void Write_File_Report(std::ostream& out, const FileReport& f) {
  out << "{\"file\": ";
  Write_Json_String(out, f.path);
  out << ", \"error\": ";
  if (f.error == FileError::None) {
    out << "null";
  } else {
    Write_Json_String(out, File_Error_Text(f));
  }
  out << ", \"read_to_end\": " << (f.read_to_end ? "true" : "false") << ", \"frames\": " << f.frames
      << ", \"time_labels\": " << f.time_labels << ", \"problems\": {";
  const char* sep = "";
  for (std::size_t k = 0; k < f.problem_counts.size(); ++k) {
    if (f.problem_counts[k] == 0) continue;
    out << sep;
    Write_Json_String(out, Problem_Text(static_cast<FrameProblem>(k)));
    out << ": " << f.problem_counts[k];
    sep = ", ";
  }
  out << "}, \"first_problem_frames\": [";
  for (std::size_t k = 0; k < f.first_problems.size(); ++k) {
    out << (k ? ", [" : "[") << f.first_problems[k].frame << ", ";
    Write_Json_String(out, Problem_Text(f.first_problems[k].problem));
    out << ']';
  }
  out << "]}";
}

}  // namespace

void Write_Json(std::ostream& out, const TelemetryState& state, const LoadReport& report) {
  const TelemetryStore& store = state.store;
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
  for (std::size_t k = 0; k < state.messages.size(); ++k) {
    out << (k ? ",\n  " : "\n  ");
    Write_Json_String(out, state.messages[k]);
  }
  out << "],\n\"messages_left_out\": " << state.messages.dropped();
  // Keyed by the status box of the switch, as the window shows it.
  out << ",\n\"switch_status\": {";
  const char* status_sep = "";
  for (int slot = 0; slot < kSwitchCount; ++slot) {
    const int status = state.switch_status[static_cast<std::size_t>(slot)];
    if (status < 0) continue;
    out << status_sep << '"' << kFirstStatusBox + slot << "\": ";
    Write_Json_String(out, state.SwitchStatusText[static_cast<std::size_t>(status)]);
    status_sep = ", ";
  }
  out << "},\n\"files\": [";
  for (std::size_t k = 0; k < report.files.size(); ++k) {
    out << (k ? ",\n  " : "\n  ");
    Write_File_Report(out, report.files[k]);
  }
  out << "],\n\"stopped\": ";
  if (report.stopped) {
    out << "{\"file\": ";
    Write_Json_String(out, report.files[report.stopped->file].path);
    out << ", \"frame\": " << report.stopped->frame << ", \"channel\": " << report.stopped->channel
        << '}';
  } else {
    out << "null";
  }
  out << "}\n";
}

}  // namespace orvelt

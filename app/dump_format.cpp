#include "dump_format.hpp"

#include <array>
#include <charconv>
#include <cstdint>
#include <string_view>

#include "decode/channels.hpp"
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

void Append_Json_String(std::string& out, std::string_view utf8) {
  out += '"';
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    // Printable ASCII is by far the most common; it needs neither a check of its sequence nor an
    // escape.
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
      continue;
    }
    const std::size_t n = Utf8_Sequence(utf8.substr(i));
    if (n == 0) {
      out += "\\ufffd";
      continue;
    }
    if (n > 1) {
      out += utf8.substr(i, n);
      i += n - 1;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default: {
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
      }
    }
  }
  out += '"';
}

void Write_Json_String(std::ostream& out, std::string_view utf8) {
  std::string text;
  Append_Json_String(text, utf8);
  out << text;
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

namespace {

constexpr std::size_t kFlushBytes = std::size_t{1} << 16;

void Append_Number(std::string& out, std::int64_t n) {
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, n).ptr;
  out.append(text, end);
}

// Captions and units as CSV fields and as JSON strings, escaped once for all lines.
struct ChannelTexts {
  std::array<std::string, kChannelCount> csv;
  std::array<std::string, kChannelCount> json;
  ChannelTexts() {
    for (int c = 0; c < kChannelCount; ++c) {
      auto& cell = csv[static_cast<std::size_t>(c)];
      Append_Csv_Field(cell, Channel_Caption(c));
      cell += ',';
      Append_Csv_Field(cell, Channel_Unit(c));
      auto& member = json[static_cast<std::size_t>(c)];
      member = ", \"caption\": ";
      Append_Json_String(member, Channel_Caption(c));
      member += ", \"unit\": ";
      Append_Json_String(member, Channel_Unit(c));
    }
  }
};

const ChannelTexts& Channel_Texts() {
  static const ChannelTexts texts;
  return texts;
}

}  // namespace

FrameLines::FrameLines(std::ostream& out, Form form) : out_(out), form_(form) {
  buffer_.reserve(kFlushBytes + 4096);
  if (form_ == Form::Csv) buffer_ += kCsvHeader;
}

void FrameLines::Start_File(std::string_view file) {
  file_field_.clear();
  if (form_ == Form::Csv) {
    Append_Csv_Field(file_field_, file);
  } else {
    Append_Json_String(file_field_, file);
  }
  // The next line writes the label field afresh.
  label_.clear();
  label_field_.clear();
}

void FrameLines::Append_Label(std::string_view latin1) {
  if (latin1 != label_ || label_field_.empty()) {
    label_.assign(latin1);
    label_field_.clear();
    const std::string utf8 = Latin1_To_Utf8(latin1);
    if (form_ == Form::Csv) {
      Append_Csv_Field(label_field_, utf8);
    } else {
      Append_Json_String(label_field_, utf8);
    }
  }
  buffer_ += label_field_;
}

void FrameLines::Line(std::int64_t frame_number, const FrameRecord& record,
                      const SwitchStatusTable& texts) {
  std::string_view text = record.message;
  if (record.switch_status >= 0 && record.switch_status < kSwitchStatusCount) {
    text = texts[static_cast<std::size_t>(record.switch_status)];
  }
  if (form_ == Form::Csv) {
    Csv_Line(frame_number, record, text);
  } else {
    Json_Line(frame_number, record, text);
  }
  if (buffer_.size() >= kFlushBytes) Flush();
}

void FrameLines::Csv_Line(std::int64_t frame_number, const FrameRecord& record,
                          std::string_view text) {
  buffer_ += file_field_;
  buffer_ += ',';
  Append_Number(buffer_, frame_number);
  buffer_ += ',';
  Append_Label(record.label);
  buffer_ += ',';
  buffer_ += Frame_Kind_Text(record);
  buffer_ += ',';
  const FrameOutcome& out = record.outcome;
  if (out.problem != FrameProblem::None) buffer_ += Problem_Text(out.problem);
  buffer_ += ',';
  Append_Csv_Field(buffer_, text);
  for (int k = 0; k < 2; ++k) {
    if (k < out.value_count) {
      const ChannelValue& v = out.values[static_cast<std::size_t>(k)];
      buffer_ += ',';
      Append_Number(buffer_, std::int64_t{v.channel});
      buffer_ += ',';
      buffer_ += Channel_Texts().csv[static_cast<std::size_t>(v.channel)];
      buffer_ += ',';
      Append_Plain_Number(buffer_, v.value);
    } else {
      buffer_ += ",,,,";
    }
  }
  buffer_ += '\n';
}

void FrameLines::Json_Line(std::int64_t frame_number, const FrameRecord& record,
                           std::string_view text) {
  buffer_ += "{\"file\": ";
  buffer_ += file_field_;
  buffer_ += ", \"frame\": ";
  Append_Number(buffer_, frame_number);
  buffer_ += ", \"time\": ";
  Append_Label(record.label);
  buffer_ += ", \"kind\": \"";
  buffer_ += Frame_Kind_Text(record);
  buffer_ += '"';
  const FrameOutcome& out = record.outcome;
  if (out.problem != FrameProblem::None) {
    buffer_ += ", \"problem\": \"";
    buffer_ += Problem_Text(out.problem);
    buffer_ += '"';
  }
  if (record.switch_status >= 0) {
    buffer_ += ", \"switch_status\": ";
    Append_Number(buffer_, std::int64_t{record.switch_status});
  }
  if (!text.empty()) {
    buffer_ += ", \"text\": ";
    Append_Json_String(buffer_, text);
  }
  buffer_ += ", \"values\": [";
  for (int k = 0; k < out.value_count; ++k) {
    const ChannelValue& v = out.values[static_cast<std::size_t>(k)];
    buffer_ += k ? ", {\"channel\": " : "{\"channel\": ";
    Append_Number(buffer_, std::int64_t{v.channel});
    buffer_ += Channel_Texts().json[static_cast<std::size_t>(v.channel)];
    buffer_ += ", \"value\": ";
    Append_Shortest_Number(buffer_, v.value);
    buffer_ += '}';
  }
  buffer_ += "]}\n";
}

void FrameLines::Flush() {
  if (buffer_.empty()) return;
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

}  // namespace orvelt

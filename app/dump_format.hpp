#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "archive/frame_record.hpp"
#include "decode/telemetry_state.hpp"
#include "export/csv_export.hpp"
#include "ingest/load_report.hpp"

namespace orvelt {

// `utf8` as a JSON string; bytes that are no valid UTF-8 (file names can hold any bytes) become
// U+FFFD, so that the output is always valid UTF-8.
void Write_Json_String(std::ostream& out, std::string_view utf8);
void Append_Json_String(std::string& out, std::string_view utf8);

// Store, message lines, switch states and the load report as one JSON object (always valid
// UTF-8).
void Write_Json(std::ostream& out, const TelemetryState& state, const LoadReport& report);

// One line per frame, written as frames are decoded and never gathered: CSV under a header
// line, or JSON Lines (one object per line). A CSV line holds the file, the frame number in it,
// the time label, the kind, the problem that made the frame be skipped (empty when none), the
// message text or switch status, and up to two channel values as channel, caption, unit and
// value.
class FrameLines {
 public:
  enum class Form { Csv, Json };
  static constexpr const char* kCsvHeader =
      "file,frame,time,kind,problem,text,channel,caption,unit,value,channel,caption,unit,value\n";

  FrameLines(std::ostream& out, Form form);
  ~FrameLines() { Flush(); }
  FrameLines(const FrameLines&) = delete;
  FrameLines& operator=(const FrameLines&) = delete;

  // The file name is escaped once per file, not once per line.
  void Start_File(std::string_view file);
  void Line(std::int64_t frame_number, const FrameRecord& record, const SwitchStatusTable& texts);
  void Flush();

 private:
  void Csv_Line(std::int64_t frame_number, const FrameRecord& record, std::string_view text);
  void Json_Line(std::int64_t frame_number, const FrameRecord& record, std::string_view text);
  void Append_Label(std::string_view latin1);

  std::ostream& out_;
  Form form_;
  std::string buffer_;
  std::string file_field_;
  // The label of the previous line, kept escaped: it changes once a second, not once a frame.
  std::string label_;
  std::string label_field_;
};

}  // namespace orvelt

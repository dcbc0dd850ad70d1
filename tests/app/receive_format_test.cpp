#include "receive_format.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

using tools::Bytes;

constexpr std::int64_t kStartMs = 1796638500000;  // 2026-12-07 10:15:00

// What orvelt-receive prints for frames as a TNC delivers them, in text and in JSON.
struct Printed {
  std::string text;
  std::string json;
};

Printed Print(const std::vector<Bytes>& frames) {
  TelemetryState state;
  LiveSession session(state);
  Printed printed;
  std::ostringstream text, json;
  session.Add_Observer([&](const LiveFrame& frame) {
    if (!Has_Frame_Line(frame)) return;
    Write_Frame_Line(text, frame);
    Write_Frame_Json(json, frame);
  });
  for (const Bytes& frame : frames) session.Feed(tools::Kiss_Frame(frame), kStartMs);
  return {text.str(), json.str()};
}

TEST(Receive_Format, OneLinePerFrameTelemetryOrNot) {
  struct Case {
    const char* name;
    Bytes frame;
    std::string text;
    std::string json;
  } const cases[] = {
      {"battery", tools::Raw_Word_Record(kBatteryRecord, 3, -200),
       "2026-12-07 10:15:00 battery: 3 Battery 0 Volt = ",
       R"({"time_label": "2026-12-07 10:15:00", "kind": "battery", "channels": {"3": )"},
      // Radio text could otherwise clear the screen and forge a line of its own.
      {"message with ESC and newline",
       tools::Message_Frame("Hi\x1B[2J\nFAKE 3 Battery 0 Volt = 0 V\\"),
       "2026-12-07 10:15:00 message: Hi\\x1B[2J\\x0AFAKE 3 Battery 0 Volt = 0 V\\\\\n",
       R"({"time_label": "2026-12-07 10:15:00", "kind": "message", "channels": {}, "message": "Hi\u001b[2J\nFAKE 3 Battery 0 Volt = 0 V\\"})"
       "\n"},
      {"another station", Bytes{0x00, 0x82, 0xA0, 0x9C, 0x40},
       "2026-12-07 10:15:00 other: 4 bytes: 82A09C40\n",
       R"({"time_label": "2026-12-07 10:15:00", "kind": "other", "bytes": 4, "problem": null, "hex": "82A09C40"})"
       "\n"},
      {"a frame with a problem", tools::Counter_Frame(0xE0, 0x80000000),
       "2026-12-07 10:15:00 counter: 6 bytes, ",
       R"({"time_label": "2026-12-07 10:15:00", "kind": "counter", "bytes": 6, "problem": ")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Printed printed = Print({c.frame});
    EXPECT_EQ(printed.text.rfind(c.text, 0), 0u) << printed.text;
    EXPECT_EQ(printed.json.rfind(c.json, 0), 0u) << printed.json;
    // One frame, one line, whatever it holds.
    EXPECT_EQ(std::count(printed.text.begin(), printed.text.end(), '\n'), 1) << printed.text;
    EXPECT_EQ(std::count(printed.json.begin(), printed.json.end(), '\n'), 1) << printed.json;
    EXPECT_EQ(printed.text.find('\x1B'), std::string::npos);
  }
}

TEST(Receive_Format, TimeLabelFramesOnlyStampTheNext) {
  const Printed printed = Print({tools::Text_Time_Label_Frame("2026-01-01 00:00:07"),
                                 tools::Raw_Word_Record(kBatteryRecord, 3, -200)});
  EXPECT_EQ(printed.text.rfind("2026-01-01 00:00:07 battery: ", 0), 0u) << printed.text;
  EXPECT_EQ(std::count(printed.text.begin(), printed.text.end(), '\n'), 1);
}

}  // namespace
}  // namespace orvelt

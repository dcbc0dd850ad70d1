// What the command-line programs print: orvelt-dump's files and exit statuses (against the
// golden files of the samples), orvelt-archive's commands, and orvelt-receive's frame lines.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "dump_format.hpp"
#include "receive_format.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

const fs::path kSamples = ORVELT_SAMPLE_DIR;

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct Ran {
  int status;
  std::string out, err;
};

// Runs a shell command in `folder`, as a user would, and keeps what it wrote.
Ran Shell(const fs::path& folder, const std::string& command, const fs::path& scratch) {
  const fs::path out = scratch / "run.out", err = scratch / "run.err";
  const std::string line = "cd " + Quoted(folder.string()) + " && " + command + " >" +
                           Quoted(out.string()) + " 2>" + Quoted(err.string());
  const int raw = std::system(line.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testing::File_Content(out),
          testing::File_Content(err)};
}

// How often `part` occurs in `text`.
int Count_Of(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// orvelt-dump and orvelt-archive as a user runs them; the archive with the scratch folder as
// home and configuration.
class DumpTool : public ::testing::Test {
 protected:
  Ran Dump(const std::string& args, const fs::path& folder = fs::temp_directory_path()) {
    return Shell(folder, Quoted(ORVELT_DUMP_BINARY) + " " + args, dir_.path());
  }
  Ran Archive(const std::string& args) {
    const fs::path& home = dir_.path();
    return Shell(home,
                 "HOME=" + Quoted(home.string()) +
                     " XDG_CONFIG_HOME=" + Quoted((home / "config").string()) +
                     " XDG_DATA_HOME=" + Quoted((home / "data").string()) + " " +
                     Quoted(ORVELT_ARCHIVE_BINARY) + " " + args,
                 home);
  }
  testing::ScratchDir dir_;
};
using ArchiveTool = DumpTool;

TEST_F(DumpTool, ExitStatus) {
  const std::string file = (dir_ / "one.kss").string();
  tools::CaptureBuilder capture;
  capture.Add(tools::Raw_Word_Record(0x2C, 3, 16));
  ASSERT_TRUE(capture.Write_File(file));
  for (const auto& [args, status] : std::vector<std::pair<std::string, int>>{
           {Quoted(file), 0},
           {"- <" + Quoted(file), 0},
           {"", 2},
           {Quoted(dir_.path().string()), 1},  // a folder is no capture
           {Quoted(file) + " no-such.kss", 1}}) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Dump(args).status, status);
  }
}

// Whatever bytes a time label or a file name holds, CSV never carries a control character to
// the terminal, and JSON stays valid UTF-8.
TEST_F(DumpTool, HostileTextIsEscaped) {
  const std::string name = "caf\xE9 \xFF.kss";  // Latin-1 bytes: no valid UTF-8
  tools::CaptureBuilder capture;
  capture.Add(
      tools::Text_Time_Label_Frame("\x1B]0;owned\x07\x9B"
                                   "2J,\"\\"));
  capture.Add(tools::Raw_Word_Record(0x2C, 3, 16));
  ASSERT_TRUE(capture.Write_File(dir_ / name));

  const Ran csv = Dump(Quoted(name), dir_.path());
  EXPECT_EQ(csv.status, 0) << csv.err;
  EXPECT_NE(csv.out.find(",\"\\x1B]0;owned\\x07\\x9B2J,\"\"\\\\\","), std::string::npos) << csv.out;
  for (const char c : csv.out) {
    const auto b = static_cast<unsigned char>(c);
    EXPECT_TRUE(b == '\n' || (b >= 0x20 && b != 0x7F)) << int{b};
  }

  const Ran json = Dump("--json " + Quoted(name), dir_.path());
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("\"file\": \"caf\\ufffd \\ufffd.kss\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\\u001b]0;owned\\u0007\xC2\x9B"
                          "2J,\\\"\\\\"),
            std::string::npos);
}

// The dump of each sample equals its golden files. After a deliberate change of the output,
// remake them with the commands under "Golden files" in samples/README.md and review the diff.
TEST_F(DumpTool, SamplesDumpAsTheGoldenFiles) {
  struct Golden {
    std::string args, out, err;  // golden files of standard output (if compared) and error
  };
  for (const auto& [args, out, err] : {Golden{"pass.kss", "pass.csv", "pass.report"},
                                       {"--json pass.kss", "pass.json", "pass.report"},
                                       {"damaged.kss", "", "damaged.report"}}) {
    SCOPED_TRACE(args);
    const Ran run = Dump(args, kSamples);
    EXPECT_EQ(run.status, 0);
    if (!out.empty()) {
      EXPECT_TRUE(run.out == testing::File_Content(kSamples / out)) << "differs from " << out;
    }
    EXPECT_EQ(run.err, testing::File_Content(kSamples / err));
  }
}

// Every line of --frames --json is one JSON object, the first of each file too; values in the
// CSV as people read them, in the JSON as exact doubles. A capture that fills the store's 5000
// samples per channel, where the store's load stops, is listed to its end.
TEST_F(DumpTool, FrameLinesHoldPlainAndExactNumbersToTheEnd) {
  const Ran json = Dump("--frames --json pass.kss damaged.kss", kSamples);
  ASSERT_EQ(json.status, 0) << json.err;
  std::istringstream lines(json.out);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count)
    ASSERT_EQ(line.rfind("{\"file\": ", 0), 0u) << "line " << count + 1 << ": " << line;
  EXPECT_GT(count, 9620);
  EXPECT_NE(json.out.find("\"value\": 7.650899999999999}"), std::string::npos);

  const Ran csv = Dump("--frames pass.kss", kSamples);
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_NE(csv.out.find(",3,Battery 0 Volt,V,7.6509,,,,\n"), std::string::npos);
  EXPECT_EQ(csv.out.find("7.650899999999999"), std::string::npos);

  const std::string file = (dir_ / "long.kss").string();
  ASSERT_TRUE(tools::Generate_Pass({.seconds = 5200, .fill = true}).Write_File(file));
  EXPECT_EQ(Dump(Quoted(file)).status, 1);
  const Ran all = Dump("--frames " + Quoted(file));
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(Count_Of(all.out, ",3,Battery 0 Volt,"), 5200);
}

TEST_F(ArchiveTool, AddsExportsListsPassesWithLimitsAndRefusesWhatItCannotRead) {
  tools::PassOptions pass{.seconds = 60};
  ASSERT_TRUE(tools::Generate_Pass(pass).Write_File(dir_ / "a.kss"));
  pass.start += 3600;  // an hour later: a pass of its own
  ASSERT_TRUE(tools::Generate_Pass(pass).Write_File(dir_ / "b.kss"));

  for (const auto& [args, status, in_err] : std::vector<std::tuple<std::string, int, std::string>>{
           {"", 2, "no command"},
           {"stats", 1, "no archive at"},  // reading never makes an archive
           {"export", 2, "export needs --channel"},
           {"export --channel 7", 2, "--channel needs"},  // a selector, no series
           {"passes --from 2026-13-01", 2, "--from needs"},
           {"fetch --norad 1", 2, "fetch needs"},
           {"add a.kss missing.kss", 1, "no such file"},
           {"add - <b.kss", 0, ": 900 new"},
           {"add b.kss", 0, "0 new, 900 already archived from another source"},
       }) {
    SCOPED_TRACE(args);
    const Ran run = Archive(args);
    EXPECT_EQ(run.status, status) << run.err;
    EXPECT_NE(run.err.find(in_err), std::string::npos) << run.err;
  }
  EXPECT_TRUE(fs::exists(dir_ / "data/orvelt/archive.sqlite"));

  const Ran csv = Archive("export --channel 3,8 --to '2026-11-28 09:14:01'");
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(Count_Of(csv.out, "\n"), 5) << csv.out;  // the head, 2 x 2 samples

  fs::create_directories(dir_ / "config/orvelt");
  std::ofstream(dir_ / "config/orvelt/orvelt-decoder.conf") << "[limits]\n3=..8.05\n";
  const Ran passes = Archive("passes --channel 3 --limits");
  ASSERT_EQ(passes.status, 0) << passes.err;
  // The head, then both passes, each above the limit.
  EXPECT_EQ(Count_Of(passes.out, "\n"), 3) << passes.out;
  EXPECT_EQ(Count_Of(passes.out, "Battery 0 Volt up to "), 2) << passes.out;
  EXPECT_EQ(Count_Of(passes.out, " above 8.05"), 2) << passes.out;
}

constexpr std::int64_t kStartMs = 1796638500000;  // 2026-12-07 10:15:00

// What orvelt-receive prints for frames as a TNC delivers them, in text and in JSON.
struct Printed {
  std::string text, json;
};

Printed Print(const std::vector<tools::Bytes>& frames) {
  TelemetryState state;
  LiveSession session(state);
  std::ostringstream text, json;
  session.Add_Observer([&](const LiveFrame& frame) {
    if (!Has_Frame_Line(frame)) return;
    Write_Frame_Line(text, frame);
    Write_Frame_Json(json, frame);
  });
  for (const tools::Bytes& frame : frames) session.Feed(tools::Kiss_Frame(frame), kStartMs);
  return {text.str(), json.str()};
}

TEST(Receive_Format, OneLinePerFrameTelemetryOrNot) {
  struct Case {
    const char* name;
    std::vector<tools::Bytes> frames;
    std::string text, json;
  } const cases[] = {
      // Radio text could otherwise clear the screen and forge a line of its own.
      {"message with ESC and newline",
       {tools::Message_Frame("Hi\x1B[2J\nFAKE 3 Battery 0 Volt = 0 V\\")},
       "2026-12-07 10:15:00 message: Hi\\x1B[2J\\x0AFAKE 3 Battery 0 Volt = 0 V\\\\\n",
       R"({"time_label": "2026-12-07 10:15:00", "kind": "message", "channels": {}, "message": "Hi\u001b[2J\nFAKE 3 Battery 0 Volt = 0 V\\"})"
       "\n"},
      {"another station",
       {tools::Bytes{0x00, 0x82, 0xA0, 0x9C, 0x40}},
       "2026-12-07 10:15:00 other station: 4 bytes: 82A09C40\n",
       R"({"time_label": "2026-12-07 10:15:00", "kind": "other station", "bytes": 4, "problem": null, "hex": "82A09C40"})"
       "\n"},
      {"a frame with a problem",
       {tools::Counter_Frame(0xE0, 0x80000000)},
       "2026-12-07 10:15:00 counter: 6 bytes, ",
       R"({"time_label": "2026-12-07 10:15:00", "kind": "counter", "bytes": 6, "problem": ")"},
      // Counters read as whole numbers, a voltage to its 15 significant digits; the JSON form
      // keeps the exact double.
      {"counter",
       {tools::Counter_Frame(0xE1, 1234567)},
       "2026-12-07 10:15:00 counter: 47 Packets Up = 1234567\n",
       R"({"time_label": "2026-12-07 10:15:00", "kind": "counter", "channels": {"47": 1234567}, "message": null})"
       "\n"},
      {"battery value",
       {tools::Raw_Word_Record(kBatteryRecord, 3, 222)},
       "2026-12-07 10:15:00 battery: 3 Battery 0 Volt = 7.6509 V\n",
       R"({"time_label": "2026-12-07 10:15:00", "kind": "battery", "channels": {"3": 7.650899999999999}, "message": null})"
       "\n"},
      // A time label frame gets no line of its own: it stamps the next frame.
      {"time label",
       {tools::Text_Time_Label_Frame("2026-01-01 00:00:07"),
        tools::Raw_Word_Record(kBatteryRecord, 3, -200)},
       "2026-01-01 00:00:07 battery: ",
       R"({"time_label": "2026-01-01 00:00:07", "kind": "battery")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Printed printed = Print(c.frames);
    EXPECT_EQ(printed.text.rfind(c.text, 0), 0u) << printed.text;
    EXPECT_EQ(printed.json.rfind(c.json, 0), 0u) << printed.json;
    // One line, whatever the frame holds.
    EXPECT_EQ(std::count(printed.text.begin(), printed.text.end(), '\n'), 1) << printed.text;
    EXPECT_EQ(std::count(printed.json.begin(), printed.json.end(), '\n'), 1) << printed.json;
    EXPECT_EQ(printed.text.find('\x1B'), std::string::npos);
  }
}

TEST(Receive_Format, RunCountsSayTheTimeLabelsApart) {
  const std::pair<LiveCounts, const char*> cases[] = {
      {{.frames = 1098, .time_labels = 549, .decoded = 549},
       "1098 frames received (549 of them time labels), 549 decoded, 0 from other stations"},
      {{.frames = 3, .time_labels = 1, .decoded = 1, .other = 1},
       "3 frames received (1 of them time label), 1 decoded, 1 from other stations"},
      {{.frames = 12, .decoded = 10, .other = 2},
       "12 frames received, 10 decoded, 2 from other stations"},
  };
  for (const auto& [counts, text] : cases) EXPECT_EQ(Run_Counts_Text(counts), text);
}

}  // namespace
}  // namespace orvelt

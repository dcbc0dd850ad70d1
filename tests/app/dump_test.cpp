#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "dump_format.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

const fs::path kSamples = ORVELT_SAMPLE_DIR;

std::string Content(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

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
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Content(out), Content(err)};
}

class DumpTool : public ::testing::Test {
 protected:
  Ran Dump(const std::string& args, const fs::path& folder = fs::temp_directory_path()) {
    return Shell(folder, Quoted(ORVELT_DUMP_BINARY) + " " + args, dir_.path());
  }
  testing::ScratchDir dir_;
};

TEST(DumpFormat, ShortestNumberReadsBack) {
  for (const double v : {9.5976, 9.758249999999999, 64.927719, -1e-06, 300.0, 0.1 + 0.2}) {
    EXPECT_EQ(std::stod(Shortest_Number(v)), v);
  }
  EXPECT_EQ(Shortest_Number(9.758249999999999), "9.758249999999999");
}

TEST_F(DumpTool, ExitStatus) {
  const std::string file = (dir_ / "one.kss").string();
  tools::CaptureBuilder capture;
  capture.Add(tools::Raw_Word_Record(0x2C, 3, 16));
  ASSERT_TRUE(capture.Write_File(file));
  for (const auto& [args, status] : std::vector<std::pair<std::string, int>>{
           {Quoted(file), 0},
           {"-- " + Quoted(file), 0},
           {"- <" + Quoted(file), 0},
           {"", 2},
           {"--bogus " + Quoted(file), 2},
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

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// One line per frame with its kind, problem, text and values, in CSV and in JSON Lines alike.
TEST_F(DumpTool, FramesListsEveryFrameAsDecoded) {
  const std::string file = (dir_ / "mixed.kss").string();
  tools::CaptureBuilder capture;
  capture.Add(tools::Text_Time_Label_Frame("2026-11-28 09:14:00"));
  capture.Add(tools::Raw_Word_Record(0x2C, 3, 16));
  capture.Add(tools::Switchboard_Record(0x81, 1, 100, 200));
  capture.Add(tools::Message_Frame("hi, \"there\""));
  capture.Add(tools::Counter_Frame(0xE1, 0x80000000u));  // rejected: top bit set
  capture.Add(tools::Bytes{0x00, 0x55, 0x66});           // another station's frame
  ASSERT_TRUE(capture.Write_File(file));

  const Ran csv = Dump("--frames " + Quoted(file));
  ASSERT_EQ(csv.status, 0) << csv.err;
  const std::string& f = file;  // a scratch path: nothing in it needs quoting
  const std::vector<std::string> expected = {
      "file,frame,time,kind,problem,text,channel,caption,unit,value,channel,caption,unit,value",
      f + ",1,2026-11-28 09:14:00,time label,,,,,,,,,,",
      f + ",2,2026-11-28 09:14:00,battery,,,3,Battery 0 Volt,V," +
          Shortest_Number(-0.00945 * 16 + 9.7488) + ",,,,",
      f + ",3,2026-11-28 09:14:00,switchboard,,ON,28,Pow Supply Curr,mA," +
          Shortest_Number(0.259549 * 100 - 1.516825) + ",38,Pow Supply Volt,V," +
          Shortest_Number((0.2300107 * 200 - 1.113424579) / 1000),
      f + ",4,2026-11-28 09:14:00,message,,\"hi, \"\"there\"\"\",,,,,,,,",
      f + ",5,2026-11-28 09:14:00,counter,value out of range,,,,,,,,,",
      f + ",6,2026-11-28 09:14:00,other station,,,,,,,,,,"};
  EXPECT_EQ(Lines(csv.out), expected);

  const Ran json = Dump("--frames --json - <" + Quoted(file));
  ASSERT_EQ(json.status, 0) << json.err;
  const auto objects = Lines(json.out);
  ASSERT_EQ(objects.size(), 6u);
  EXPECT_EQ(
      objects[2],
      "{\"file\": \"-\", \"frame\": 3, \"time\": \"2026-11-28 09:14:00\", \"kind\": "
      "\"switchboard\", \"switch_status\": 1, \"text\": \"ON\", \"values\": [{\"channel\": 28, "
      "\"caption\": \"Pow Supply Curr\", \"unit\": \"mA\", \"value\": " +
          Shortest_Number(0.259549 * 100 - 1.516825) +
          "}, {\"channel\": 38, \"caption\": \"Pow Supply Volt\", \"unit\": \"V\", \"value\": " +
          Shortest_Number((0.2300107 * 200 - 1.113424579) / 1000) + "}]}");
  EXPECT_NE(objects[4].find("\"problem\": \"value out of range\""), std::string::npos);
  EXPECT_EQ(Dump("--frames --hex " + Quoted(file)).status, 2);
}

// A capture that fills the store's 5000 samples per channel decodes to its end, every sample
// listed, and the same options in any order give the same lines.
TEST_F(DumpTool, FramesGoBeyondAFullStore) {
  const std::string file = (dir_ / "long.kss").string();
  tools::PassOptions pass;
  pass.seconds = 5200;
  pass.fill = true;
  ASSERT_TRUE(tools::Generate_Pass(pass).Write_File(file));
  EXPECT_EQ(Dump(Quoted(file)).status, 1);  // the store's load stops

  const Ran csv = Dump("--frames " + Quoted(file));
  ASSERT_EQ(csv.status, 0) << csv.err;
  int battery = 0;
  for (const auto& line : Lines(csv.out))
    battery += line.find(",3,Battery 0 Volt,") != std::string::npos;
  EXPECT_EQ(battery, 5200);
  EXPECT_EQ(Dump("--json --frames " + Quoted(file)).out,
            Dump("--frames --json " + Quoted(file)).out);
}

// The samples are made by the generator commands in samples/README.md; each must give its
// sample byte for byte, so that the sample and its golden files can always be remade.
TEST_F(DumpTool, ReadmeCommandsRecreateTheSamples) {
  const std::string readme = Content(kSamples / "README.md");
  const std::regex command(R"(build/tools/orvelt-make-capture (.*) samples/(\S+\.kss))");
  int samples = 0;
  for (std::sregex_iterator it(readme.begin(), readme.end(), command), end; it != end; ++it) {
    const std::string sample = (*it)[2];
    SCOPED_TRACE(sample);
    const Ran made =
        Shell(dir_.path(), Quoted(ORVELT_CAPTURE_TOOL) + " " + (*it)[1].str() + " " + sample,
              dir_.path());
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_TRUE(Content(dir_ / sample) == Content(kSamples / sample));
    ++samples;
  }
  EXPECT_EQ(samples, 2);
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
      EXPECT_TRUE(run.out == Content(kSamples / out)) << "differs from " << out;
    }
    EXPECT_EQ(run.err, Content(kSamples / err));
  }
}

}  // namespace
}  // namespace orvelt

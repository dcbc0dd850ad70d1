#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

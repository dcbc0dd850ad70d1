#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "dump_format.hpp"
#include "ingest/capture_reader.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

TEST(DumpFormat, ShortestNumberReadsBack) {
  for (const double v : {9.5976, 9.758249999999999, 64.927719, -1e-06, 300.0, 0.1 + 0.2}) {
    EXPECT_EQ(std::stod(Shortest_Number(v)), v);
  }
  EXPECT_EQ(Shortest_Number(300.0), "300");
  EXPECT_EQ(Shortest_Number(9.758249999999999), "9.758249999999999");
}

// Runs the real binary: the end-to-end face of the same loading code.
struct DumpRun {
  int status;
  std::string out;
};

DumpRun Dump(const std::string& args) {
  const fs::path out = fs::temp_directory_path() /
                       (std::string("orvelt_dump_") +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".out");
  const std::string command =
      std::string(ORVELT_DUMP_BINARY) + " " + args + " >" + out.string() + " 2>/dev/null";
  const int raw = std::system(command.c_str());
  std::stringstream text;
  text << std::ifstream(out).rdbuf();
  fs::remove(out);
  return {WEXITSTATUS(raw), text.str()};
}

TEST(DumpTool, FormatsAndExitStatus) {
  const fs::path file = fs::temp_directory_path() / "orvelt_dump_test.kss";
  tools::CaptureBuilder capture;
  capture.Add(tools::Text_Time_Label_Frame("2026-11-28 09:14:01"));
  capture.Add(tools::Raw_Word_Record(0x2C, 3, 16));
  capture.Add(tools::Switchboard_Record(0x81, 1, 256, 0x5000));
  capture.Add(tools::Message_Frame("A,B", {1, 2, 3}));
  ASSERT_TRUE(capture.Write_File(file));
  const DumpRun csv = Dump(file.string());
  EXPECT_EQ(csv.status, 0);
  EXPECT_EQ(csv.out,
            "channel,caption,unit,sample,time_label,value\n"
            "3,Battery 0 Volt,V,1,2026-11-28 09:14:01,9.5976\n"
            "28,Pow Supply Curr,mA,1,2026-11-28 09:14:01,64.927719\n"
            "38,Pow Supply Volt,V,1,2026-11-28 09:14:01,4.709505711421\n");

  const DumpRun json = Dump("--json " + file.string());
  EXPECT_EQ(json.status, 0);
  EXPECT_NE(json.out.find("\"3\": [[\"2026-11-28 09:14:01\", 9.5976]]"), std::string::npos);
  EXPECT_NE(json.out.find("\"2026-11-28 09:14:01: A,B\""), std::string::npos);
  EXPECT_NE(json.out.find("\"switch_status\": {\"58\": \"ON\"}"), std::string::npos);
  EXPECT_NE(json.out.find("\"stopped\": null"), std::string::npos);

  const DumpRun hex = Dump("--hex " + file.string());
  EXPECT_EQ(hex.out.substr(0, 36), "00 C0 80 00 00 02 2C 03 00 10 00 \n00");

  EXPECT_EQ(Dump("").status, 2);
  EXPECT_EQ(Dump("--bogus " + file.string()).status, 2);
  EXPECT_EQ(Dump(fs::temp_directory_path().string()).status, 1);  // a folder cannot be read
  fs::remove(file);
}

TEST(DumpTool, SampleCaptureDecodesCleanly) {
  const DumpRun run = Dump(std::string(ORVELT_SAMPLE_DIR) + "/pass.kss");
  EXPECT_EQ(run.status, 0);
  EXPECT_GT(std::count(run.out.begin(), run.out.end(), '\n'), 1000);
}

}  // namespace
}  // namespace orvelt

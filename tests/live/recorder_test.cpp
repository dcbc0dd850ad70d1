#include "live/recorder.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "ingest/capture_reader.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

using tools::Bytes;

const Bytes kFrame = {0x00, 0x01};

// A session that receives no frame leaves no empty file behind, an existing file is never
// written over, and a folder that cannot be made is said, its frames counted as lost.
TEST(RecorderTest, TheFileIsMadeWithTheFirstFrameBesideTheFilesThere) {
  testing::ScratchDir dir;
  Recorder idle, recorder, nowhere;
  ASSERT_TRUE(idle.Open(dir.path().string(), 1796638500000));
  idle.Close();
  idle.Record(kFrame, kFrame.size(), "2026-12-07 10:15:00", false);  // closed, it stays closed
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

  std::ofstream(dir / "ORVELT-1_20261207_101500.kss") << "keep";
  ASSERT_TRUE(recorder.Open(dir.path().string(), 1796638500000)) << recorder.status().outcome.why();
  recorder.Record(kFrame, kFrame.size(), "2026-12-07 10:15:00", false);
  recorder.Close();
  EXPECT_EQ(std::filesystem::path(recorder.status().path).filename(),
            "ORVELT-1_20261207_101500_2.kss");
  EXPECT_EQ(testing::File_Content(dir / "ORVELT-1_20261207_101500.kss"), "keep");

  std::ofstream(dir / "plain_file") << "x";
  EXPECT_FALSE(nowhere.Open((dir / "plain_file" / "sub").string(), 0));
  EXPECT_NE(nowhere.status().outcome.why().find("cannot make the recording folder"),
            std::string::npos);
  nowhere.Record(kFrame, kFrame.size(), "2026-12-07 10:15:00", false);
  EXPECT_EQ(nowhere.status().lost, 1u);
}

// A label frame is written only where the label in force in the file would differ; the TNC's
// own label frames are written as received, and a frame too long to keep is counted, not written.
TEST(RecorderTest, TimeLabelFramesOnlyWhereTheLabelInForceWouldDiffer) {
  const char *a = "2026-12-07 10:15:00", *b = "2026-12-07 10:15:01", *c = "2026-12-07 10:16:00";
  const Bytes f = {0x00, 0xC0, 0xDB, 0x01}, tnc = tools::Binary_Time_Label_Frame(1796638560000);
  const Bytes label_a = tools::Text_Time_Label_Frame(a), label_b = tools::Text_Time_Label_Frame(b);
  const std::tuple<Bytes, const char*, bool> steps[] = {{f, a, false},
                                                        {f, a, false},
                                                        {f, b, false},
                                                        {tnc, c, true},
                                                        {f, c, false},
                                                        {f, b, false},
                                                        {Bytes(513, 0x00), b, false}};
  tools::CaptureBuilder expected;
  for (const Bytes& e : {label_a, f, f, label_b, f, tnc, f, label_b, f}) expected.Add(e);

  testing::ScratchDir dir;
  Recorder recorder;
  ASSERT_TRUE(recorder.Open(dir.path().string(), 0));
  for (const auto& [frame, label, time_label] : steps) {
    const auto stored = std::span(frame).first(std::min<std::size_t>(frame.size(), 512));
    recorder.Record(stored, frame.size(), label, time_label);
  }
  recorder.Close();
  const Bytes& wanted = expected.bytes();
  EXPECT_EQ(testing::File_Content(recorder.status().path),
            std::string(wanted.begin(), wanted.end()));
  EXPECT_EQ(recorder.status().too_long, 1u);
}

// A file size limit makes write() fail part way as a full disk does.
TEST(RecorderTest, AFullDiskStopsRecordingAndKeepsEveryWholeFrame) {
  testing::ScratchDir dir;
  Recorder recorder;
  ASSERT_TRUE(recorder.Open(dir.path().string(), 0));
  TelemetryState live;
  rlimit saved{}, limit{};
  getrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_IGN);
  limit = {3000, saved.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
  KissDeframer().Feed(tools::Generate_Pass({.seconds = 30}).bytes(), [&](auto stored, auto length) {
    const bool time_label = stored[0] == kTimeLabelCommand;
    if (time_label) Take_Frame(live, stored, length);
    recorder.Record(stored, length, live.TimeLabel, time_label);
    return true;
  });
  recorder.Sync();
  setrlimit(RLIMIT_FSIZE, &saved);
  const RecordingStatus status = recorder.status();
  recorder.Close();
  EXPECT_NE(status.outcome.why().find("recording stopped: cannot write"), std::string::npos)
      << status.outcome.why();
  EXPECT_GT(status.frames, 10u);
  EXPECT_GT(status.lost, 0u);
  // The file holds whole frames only: every frame in it is read, none is cut off.
  TelemetryState reread;
  const FileReport file = Load_Files(reread, {status.path}).files.at(0);
  EXPECT_EQ(file.incomplete_bytes, 0u);
  EXPECT_EQ(static_cast<std::uint64_t>(file.frames), status.frames + status.labels);
}

}  // namespace
}  // namespace orvelt

#include "live/recorder.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ingest/capture_reader.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

using tools::Bytes;

Bytes Read_All(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

const Bytes kFrame = {0x00, 0x01};

// A session that receives no frame leaves no empty file behind, and an existing file is never
// written over.
TEST(RecorderTest, TheFileIsMadeWithTheFirstFrameBesideTheFilesThere) {
  testing::ScratchDir dir;
  Recorder idle, recorder;
  ASSERT_TRUE(idle.Open(dir.path().string(), 1796638500000));
  idle.Close();
  idle.Record(kFrame, kFrame.size(), "2026-12-07 10:15:00", false);  // closed, it stays closed
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

  tools::CaptureBuilder({}).Write_File(dir / "ORVELT-1_20261207_101500.kss");
  std::ofstream(dir / "ORVELT-1_20261207_101500_2.kss") << "keep";
  ASSERT_TRUE(recorder.Open(dir.path().string(), 1796638500000)) << recorder.status().error;
  recorder.Record(kFrame, kFrame.size(), "2026-12-07 10:15:00", false);
  recorder.Close();
  EXPECT_EQ(std::filesystem::path(recorder.status().path).filename(),
            "ORVELT-1_20261207_101500_3.kss");
  EXPECT_EQ(Read_All(dir / "ORVELT-1_20261207_101500_2.kss"), (Bytes{'k', 'e', 'e', 'p'}));
}

TEST(RecorderTest, AFolderThatCannotBeMadeIsReported) {
  testing::ScratchDir dir;
  std::ofstream(dir / "plain_file") << "x";
  Recorder recorder;
  EXPECT_FALSE(recorder.Open((dir / "plain_file" / "sub").string(), 0));
  EXPECT_NE(recorder.status().error.find("cannot make the recording folder"), std::string::npos);
  recorder.Record(kFrame, kFrame.size(), "2026-12-07 10:15:00", false);
  EXPECT_EQ(recorder.status().lost, 1u);
}

TEST(RecorderTest, TimeLabelFramesOnlyWhereTheLabelInForceWouldDiffer) {
  const char* a = "2026-12-07 10:15:00";
  const char* b = "2026-12-07 10:15:01";
  const Bytes f1 = {0x00, 0xC0, 0xDB, 0x01};  // bytes that need escaping
  const Bytes f2 = {0x10, 0x02};              // another TNC port
  const Bytes tnc = tools::Binary_Time_Label_Frame(1796638560000);
  const char* tnc_label = "2026-12-07 10:16:00";
  const struct {
    Bytes frame;
    const char* label;
    bool time_label;
  } steps[] = {
      {f1, a, false},                // label frame a, f1
      {f2, a, false},                // f2 (a in force)
      {f1, b, false},                // label frame b, f1
      {tnc, tnc_label, true},        // recorded as received
      {f2, tnc_label, false},        // its label is in force already
      {f2, b, false},                // label frame b again
      {Bytes(513, 0x00), b, false},  // too long: counted, not written
  };
  tools::CaptureBuilder expected;
  const Bytes label_a = tools::Text_Time_Label_Frame(a), label_b = tools::Text_Time_Label_Frame(b);
  for (const Bytes& f : {label_a, f1, f2, label_b, f1, tnc, f2, label_b, f2}) expected.Add(f);

  testing::ScratchDir dir;
  Recorder recorder;
  ASSERT_TRUE(recorder.Open(dir.path().string(), 0));
  for (const auto& s : steps) {
    const auto stored = std::span(s.frame).first(std::min<std::size_t>(s.frame.size(), 512));
    recorder.Record(stored, s.frame.size(), s.label, s.time_label);
  }
  recorder.Close();
  EXPECT_EQ(Read_All(recorder.status().path), expected.bytes());
  EXPECT_EQ(recorder.status().frames, 6u);
  EXPECT_EQ(recorder.status().too_long, 1u);
}

// A file size limit makes write() fail part way as a full disk does.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST(RecorderTest, AFullDiskStopsRecordingAndKeepsEveryWholeFrame) {
  testing::ScratchDir dir;
  Recorder recorder;
  ASSERT_TRUE(recorder.Open(dir.path().string(), 0));
  const tools::CaptureBuilder pass = tools::Generate_Pass({.seconds = 30});
  TelemetryState live;
  {
    const FileSizeLimit limit(3000);
    KissDeframer deframer;
    deframer.Feed(pass.bytes(), [&](auto stored, std::size_t length) {
      const bool time_label = stored[0] == kTimeLabelCommand;
      if (time_label) Take_Frame(live, stored, length);
      recorder.Record(stored, length, live.TimeLabel, time_label);
      return true;
    });
    recorder.Sync();
  }
  const RecordingStatus status = recorder.status();
  recorder.Close();
  EXPECT_NE(status.error.find("recording stopped: cannot write"), std::string::npos)
      << status.error;
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

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ingest/capture_reader.hpp"
#include "ingest/kiss.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Battery0(std::uint8_t raw_low) {
  return tools::Kiss_Frame(tools::Raw_Word_Record(0x2C, 3, raw_low));
}

Bytes Label(const std::string& text) {
  return tools::Kiss_Frame(tools::Text_Time_Label_Frame(text));
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

class LoadPolicyTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return p.string();
  }

  LoadReport Load(const std::vector<std::string>& files, LoadOptions options = {}) {
    refreshes_ = 0;
    options.after_file = [this](std::size_t) { ++refreshes_; };
    options.chunk_bytes = 7;  // frames straddle every chunk boundary
    state_.store.Reset_Store();
    return Load_Files(state_, files, options);
  }

  testing::ScratchDir dir_;
  TelemetryState state_;
  int refreshes_ = 0;
};

TEST_F(LoadPolicyTest, FilesOfASelectionAppendInListOrder) {
  const auto a = Write("a.kss", Join({Label("2026-11-28 09:00:00"), Battery0(1)}));
  // b.kss starts without a label: its first sample carries the label a.kss ended with.
  const auto b = Write("b.kss", Join({Battery0(2), Label("2026-11-28 10:00:00"), Battery0(3)}));
  const LoadReport report = Load({a, b});
  EXPECT_TRUE(report.Complete());
  EXPECT_EQ(report.Files_Read(), 2);
  EXPECT_EQ(refreshes_, 2);
  ASSERT_EQ(state_.store.Count(3), 3);
  EXPECT_EQ(state_.store.Label(3, 2), "2026-11-28 09:00:00");
  EXPECT_EQ(state_.store.Label(3, 3), "2026-11-28 10:00:00");
  EXPECT_EQ(state_.CaptureFileName, b);
  ASSERT_EQ(state_.frame_log.size(), 3u);
  // Logged frames carry their file and their number there, time labels counted.
  const std::pair<std::string, std::int64_t> logged[] = {{a, 2}, {b, 1}, {b, 3}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(state_.frame_log.Entry(i).file, logged[i].first) << i;
    EXPECT_EQ(state_.frame_log.Entry(i).number, logged[i].second) << i;
  }

  // Loading again gives the same store; the frame log keeps both loads.
  Load({a, b});
  EXPECT_EQ(state_.store.Count(3), 3);
  EXPECT_EQ(state_.frame_log.size(), 6u);
  EXPECT_EQ(state_.store.Label(3, 2), "2026-11-28 09:00:00");
}

TEST_F(LoadPolicyTest, BadFramesAreSkippedCountedAndTheLoadGoesOn) {
  Bytes oversize{kFend, 0x00};
  oversize.insert(oversize.end(), 600, 0x41);
  const Bytes bad_counter = tools::Kiss_Frame(tools::Counter_Frame(0xE1, 0x80000000));
  Bytes tail = Battery0(3);
  tail.pop_back();  // no FEND after the last frame
  const auto a = Write("a.kss", Join({Battery0(1), oversize, bad_counter, Battery0(2), tail}));
  const LoadReport report = Load({a});
  EXPECT_TRUE(report.Complete());
  EXPECT_EQ(state_.store.Count(3), 2);
  const FileReport& f = report.files.at(0);
  EXPECT_EQ(f.frames, 4);
  EXPECT_EQ(f.incomplete_bytes, tail.size() - 1);  // the opening FEND closed the frame before
  ASSERT_EQ(f.first_problems.size(), 3u);
  EXPECT_EQ(f.first_problems[0].frame, 2);
  EXPECT_EQ(f.first_problems[0].problem, FrameProblem::FrameTooLong);
  EXPECT_EQ(f.first_problems[1].frame, 3);
  EXPECT_EQ(f.first_problems[1].problem, FrameProblem::ValueOutOfRange);
  // The frame log numbers the skipped frame as the report does.
  const FrameLogEntry skipped = state_.frame_log.Entry(1);
  EXPECT_EQ(skipped.problem, FrameProblem::ValueOutOfRange);
  EXPECT_EQ(skipped.number, f.first_problems[1].frame);
  EXPECT_EQ(report.Summary(),
            "3 problems: 1 frame longer than 512 bytes, 1 value out of range, 1 incomplete last "
            "frame (no FEND after it)");
}

TEST_F(LoadPolicyTest, FramesOfOtherStationsAreCountedAndSaid) {
  const Bytes other = tools::Kiss_Frame(Bytes{0x00, 0x82, 0xA0, 0x9C, 0x40});
  const auto a = Write("a.kss", Join({Battery0(1), other, other, Label("2026-11-28 09:00:00")}));
  const auto b = Write("b.kss", Join({other, other, Battery0(2)}));
  const LoadReport report = Load({a, b});
  EXPECT_EQ(report.Other_Stations(), 4);
  EXPECT_EQ(report.Problem_Count(), 0);
  EXPECT_EQ(report.Summary(), "4 frames from other stations");
  EXPECT_NE(report.Details().find("a.kss: 4 frames, 1 time label, 2 frames from other stations"),
            std::string::npos)
      << report.Details();
  EXPECT_EQ(Load({b}).Summary(), "2 frames from other stations");
  EXPECT_EQ(Load({Write("c.kss", other)}).Summary(), "1 frame from other stations");
}

TEST_F(LoadPolicyTest, ReportStaysSmallWhateverTheCaptureHolds) {
  Bytes flood;
  const Bytes bad = tools::Kiss_Frame(tools::Counter_Frame(0xE1, 0x80000000));
  for (int i = 0; i < 20000; ++i) flood.insert(flood.end(), bad.begin(), bad.end());
  const LoadReport report = Load({Write("flood.kss", flood)});
  const FileReport& f = report.files.at(0);
  EXPECT_EQ(f.problem_counts[std::size_t(FrameProblem::ValueOutOfRange)], 20000);
  EXPECT_EQ(f.first_problems.size(), FileReport::kKeptFrames);
  EXPECT_EQ(report.Summary(), "20000 problems: value out of range");
  EXPECT_LT(report.Details().size(), 2000u);
}

TEST_F(LoadPolicyTest, FilesThatCannotBeReadAreReportedAndSkipped) {
  fs::create_directories(dir_ / "folder.kss");
  const auto fifo = (dir_ / "fifo.kss").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto a = Write("a.kss", Battery0(1));
  const auto c = Write("c.kss", Battery0(2));
  const std::string missing = (dir_ / "missing.kss").string();
  struct Case {
    const char* what;
    bool missing_is_problem;
    int files_read;
    std::vector<FileError> errors;
  };
  using enum FileError;
  const Case cases[] = {
      // Names from the command line or a drop: a missing file is a problem.
      {"named files", true, 2, {NotRegularFile, NotRegularFile, NoSuchFile}},
      // Names typed into the open dialog: a name of no file reads as an empty file.
      {"dialog names", false, 3, {NotRegularFile, NotRegularFile}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    LoadOptions options;
    options.missing_is_problem = k.missing_is_problem;
    // The FIFO is refused without being opened: opening it would wait for a writer forever.
    const LoadReport report =
        Load({a, (dir_ / "folder.kss").string(), fifo, missing, "", c}, options);
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(state_.store.Count(3), 2);
    EXPECT_EQ(report.Files_Read(), k.files_read);
    EXPECT_EQ(refreshes_, k.files_read);
    std::vector<FileError> errors;
    for (const auto& f : report.files) {
      if (f.error != None) errors.push_back(f.error);
    }
    EXPECT_EQ(errors, k.errors);
  }
}

TEST_F(LoadPolicyTest, FullStoreStopsTheLoadAndTheReading) {
  Bytes many;
  for (int i = 0; i < kSeriesCapacity + 1; ++i) {
    const Bytes f = Battery0(static_cast<std::uint8_t>(i));
    many.insert(many.end(), f.begin(), f.end());
  }
  many.insert(many.end(), 100000, 0x41);  // what follows is never read
  const auto a = Write("a.kss", many);
  const auto b = Write("b.kss", Battery0(7));
  const LoadReport report = Load({a, b});
  ASSERT_FALSE(report.Complete());
  ASSERT_TRUE(report.stopped.has_value());
  EXPECT_EQ(report.stopped->file, 0u);
  EXPECT_EQ(report.stopped->frame, kSeriesCapacity + 1);
  EXPECT_EQ(report.Summary(), "stopped: store full (Battery 0 Volt, channel 3)");
  EXPECT_EQ(state_.store.Count(3), kSeriesCapacity);
  EXPECT_EQ(refreshes_, 0);
  EXPECT_EQ(report.files.size(), 1u);  // b.kss was never started
  EXPECT_LT(report.files[0].bytes_read, many.size() - 90000);
}

TEST_F(LoadPolicyTest, CancelKeepsWhatWasRead) {
  Bytes many;
  for (int i = 0; i < 100; ++i) many = Join({many, Battery0(static_cast<std::uint8_t>(i))});
  const auto a = Write("a.kss", many);
  LoadOptions options;
  LoadProgress last;
  options.progress = [&](const LoadProgress& p) {
    last = p;
    return p.bytes_done < 70;
  };
  const LoadReport report = Load({a, a}, options);
  EXPECT_TRUE(report.cancelled);
  EXPECT_FALSE(report.Complete());
  EXPECT_EQ(last.bytes_total, 2 * many.size());
  EXPECT_EQ(last.files_total, 2u);
  EXPECT_GT(state_.store.Count(3), 0);
  EXPECT_LT(state_.store.Count(3), 100);
  EXPECT_EQ(refreshes_, 0);
}

}  // namespace
}  // namespace orvelt

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

using Bytes = std::vector<std::uint8_t>;

Bytes Battery0(int raw) {
  return tools::Kiss_Frame(tools::Raw_Word_Record(0x2C, 3, static_cast<std::int16_t>(raw)));
}

Bytes Label(const std::string& text) {
  return tools::Kiss_Frame(tools::Text_Time_Label_Frame(text));
}

const Bytes kBadCounter = tools::Kiss_Frame(tools::Counter_Frame(0xE1, 0x80000000));
const Bytes kOtherStation = tools::Kiss_Frame(Bytes{0x00, 0x82, 0xA0, 0x9C, 0x40});

class LoadPolicyTest : public ::testing::Test {
 protected:
  // Writes the parts one after another as the file `name`.
  std::string Write(const std::string& name, std::initializer_list<Bytes> parts, int times = 1) {
    std::ofstream out(dir_ / name, std::ios::binary);
    for (int k = 0; k < times; ++k) {
      for (const Bytes& p : parts)
        out.write(reinterpret_cast<const char*>(p.data()), std::streamsize(p.size()));
    }
    return (dir_ / name).string();
  }

  LoadReport Load(const std::vector<std::string>& files) {
    LoadOptions options;
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

// b.kss starts without a label: its first sample carries the label a.kss ended with. Frames of
// other stations are counted over the selection, and said.
TEST_F(LoadPolicyTest, FilesOfASelectionAppendInListOrder) {
  const auto a = Write("a.kss", {Label("2026-11-28 09:00:00"), kOtherStation, Battery0(1)});
  const auto b = Write("b.kss", {Battery0(2), kOtherStation, Label("2026-11-28 10:00:00"),
                                 kOtherStation, Battery0(3)});
  const LoadReport report = Load({a, b});
  ASSERT_EQ(state_.store.Count(3), 3);
  EXPECT_EQ(state_.store.Label(3, 2), "2026-11-28 09:00:00");
  EXPECT_EQ(state_.store.Label(3, 3), "2026-11-28 10:00:00");
  EXPECT_EQ(state_.frame_log.Entry(2).file, b);  // the log names each frame's file
  EXPECT_EQ(report.Other_Stations(), 3);
  EXPECT_EQ(report.files.at(1).time_labels, 1);
  EXPECT_EQ(report.Summary(), "3 frames from other stations");
}

TEST_F(LoadPolicyTest, BadFramesAreSkippedCountedAndTheLoadGoesOn) {
  Bytes oversize{kFend, 0x00}, tail = Battery0(3);
  oversize.insert(oversize.end(), 600, 0x41);
  tail.pop_back();  // no FEND after the last frame
  const LoadReport report =
      Load({Write("a.kss", {Battery0(1), oversize, kBadCounter, Battery0(2), tail})});
  EXPECT_EQ(state_.store.Count(3), 2);
  const FileReport& f = report.files.at(0);
  EXPECT_EQ(f.frames, 4);
  EXPECT_EQ(f.incomplete_bytes, tail.size() - 1);  // the opening FEND closed the frame before
  ASSERT_EQ(f.first_problems.size(), 3u);
  EXPECT_EQ(f.first_problems[1].frame, 3);
  EXPECT_EQ(state_.frame_log.Entry(1).number, 3);  // numbered in the log as in the report
  EXPECT_EQ(report.Summary(),
            "3 problems: 1 frame longer than 512 bytes, 1 value out of range, 1 incomplete last "
            "frame (no FEND after it)");
  // Even a single byte after the last FEND is a frame cut off.
  const LoadReport one = Load({Write("b.kss", {Battery0(4), Bytes{0x00}})});
  EXPECT_EQ(one.files.at(0).incomplete_bytes, 1u);
  EXPECT_FALSE(one.files.at(0).first_problems.empty());
  // The report stays small whatever the capture holds.
  const LoadReport flood = Load({Write("flood.kss", {kBadCounter}, 20000)});
  EXPECT_EQ(flood.files.at(0).first_problems.size(), FileReport::kKeptFrames);
  EXPECT_EQ(flood.Summary(), "20000 problems: values out of range");
  EXPECT_LT(flood.Details().size(), 2000u);
}

TEST_F(LoadPolicyTest, FilesThatCannotBeReadAreReportedAndSkipped) {
  std::filesystem::create_directories(dir_ / "folder.kss");
  const auto fifo = (dir_ / "fifo.kss").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // The FIFO is refused unopened: opening it would wait for a writer.
  const LoadReport report =
      Load({Write("a.kss", {Battery0(1)}), (dir_ / "folder.kss").string(), fifo,
            (dir_ / "missing.kss").string(), "", Write("c.kss", {Battery0(2)})});
  EXPECT_TRUE(report.Complete());
  EXPECT_EQ(state_.store.Count(3), 2);
  EXPECT_EQ(refreshes_, 2);
  std::vector<FileError> errors;
  for (const auto& f : report.files) errors.push_back(f.error);
  using enum FileError;
  EXPECT_EQ(errors, (std::vector{None, NotRegularFile, NotRegularFile, NoSuchFile, None}));
}

// A file is a capture when it holds a frame of the satellite beyond doubt, wherever it lies;
// other stations' frames or time labels alone, a counter of no known type and a KISS command are
// not, and the refusal says why in words.
TEST_F(LoadPolicyTest, CheckCaptureTellsCapturesFromOtherFiles) {
  Bytes port_one = tools::Raw_Word_Record(0x2C, 3, 7), not_data = port_one;
  port_one[0] = 0x10;  // a frame of KISS port 1 is a data frame too
  not_data[0] = 0x01;  // a KISS TX delay command, not data
  Bytes others;
  for (int k = 0; k < 30000; ++k)
    others.insert(others.end(), kOtherStation.begin(), kOtherStation.end());
  const struct {
    std::string file;
    FileError error;
    std::string detail;
  } cases[] = {
      {Write("good.kss", {Label("2026-11-28 09:14:00"), Battery0(1)}), FileError::None, ""},
      {Write("others.kss", {others}), FileError::NotCapture, "no frame of ORVELT-1 in 205 kB"},
      {Write("late.kss", {others, Battery0(3)}), FileError::None, ""},
      {Write("counter.kss", {tools::Kiss_Frame(tools::Counter_Frame(0xE1, 41))}), FileError::None,
       ""},
      {Write("bad_counter.kss", {kBadCounter}), FileError::None, ""},
      {Write("port1.kss", {tools::Kiss_Frame(port_one)}), FileError::None, ""},
      {Write("labels.kss", {Label("2026-11-28 09:14:00")}, 3), FileError::NotCapture,
       "no frame of ORVELT-1 in 66 bytes"},
      {Write("unknown.kss", {tools::Kiss_Frame(tools::Counter_Frame(0xE7, 5))}),
       FileError::NotCapture, "no frame of ORVELT-1 in 9 bytes"},
      {Write("command.kss", {tools::Kiss_Frame(not_data)}), FileError::NotCapture,
       "no frame of ORVELT-1 in 14 bytes"},
      {(dir_ / "missing.kss").string(), FileError::NoSuchFile, ""},
  };
  for (const auto& c : cases) {
    const FileReport checked = Check_Capture(c.file, {});
    EXPECT_EQ(checked.error, c.error) << c.file;
    EXPECT_EQ(checked.error_detail, c.detail) << c.file;
  }
  // Rounded to the nearest unit: 20 kB and 511 or 512 bytes, 3 MB exactly.
  const std::pair<std::uint64_t, const char*> sizes[] = {
      {0, "0 bytes"},   {1, "1 byte"},    {1023, "1023 bytes"}, {1024, "1 kB"},
      {20991, "20 kB"}, {20992, "21 kB"}, {3145728, "3 MB"},
  };
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(Size_Text(bytes), text) << bytes;
}

TEST_F(LoadPolicyTest, FullStoreStopsTheLoadAndTheReading) {
  const auto a = Write("a.kss", {Battery0(1)}, kSeriesCapacity + 1);
  std::ofstream(a, std::ios::app) << std::string(100000, 'A');  // never read
  const LoadReport report = Load({a, Write("b.kss", {Battery0(7)})});
  ASSERT_TRUE(report.stopped.has_value());
  EXPECT_EQ(report.stopped->frame, kSeriesCapacity + 1);
  EXPECT_EQ(report.Summary(), "stopped: store full (Battery 0 Volt, channel 3)");
  EXPECT_EQ(state_.store.Count(3), kSeriesCapacity);
  EXPECT_EQ(report.files.size(), 1u);  // b.kss was never started
  EXPECT_LT(report.files[0].bytes_read, std::filesystem::file_size(a) - 90000);
}

// Without a consumer that follows the load frame by frame, frames are taken in batches: the
// store, the frame log and the report must come out as a load frame by frame leaves them, over
// damaged frames, other stations, a log past its bound and a store that fills in the middle.
TEST_F(LoadPolicyTest, AnObservedLoadLeavesWhatALoadWithoutObserversLeaves) {
  const auto damaged = Write(
      "d.kss", {tools::Generate_Pass({.seconds = 900, .damaged = true, .foreign = true}).bytes()});
  const std::vector<std::string> files = {
      damaged, Write("f.kss", {tools::Generate_Pass({.fill = true}).bytes()}), damaged};
  std::vector<std::string> seen[2];
  std::int64_t observed = 0;
  for (const bool by_frame : {false, true}) {
    TelemetryState state;
    LoadOptions options;
    // Every frame is shown once, numbered as the report counts it.
    if (by_frame) {
      options.observers.push_back([&](const FrameEvent& e) {
        if (e.frame_number == 1) observed = 0;
        EXPECT_EQ(e.frame_number, ++observed);
      });
    }
    const LoadReport report = Load_Files(state, files, options);
    if (by_frame) {
      EXPECT_EQ(observed, report.files.back().frames);
    }
    std::vector<std::string>& out = seen[by_frame];
    out.push_back(report.Summary() + " " + std::string(std::string_view(state.TimeLabel)) + " " +
                  Hex_Line(state.Frame()));
    for (const FileReport& f : report.files) {
      out.push_back(std::to_string(f.frames) + " " + std::to_string(f.time_labels) + " " +
                    std::to_string(f.other_stations) + " " + std::to_string(f.Problem_Count()));
      for (const ProblemAt& p : f.first_problems) out.push_back(std::to_string(p.frame));
    }
    for (int c = 0; c < kChannelCount; ++c) {
      const int n = state.store.Count(c);
      out.push_back(std::to_string(n) + " " + std::to_string(state.store.Value(c, n)) + " " +
                    std::string(state.store.Label(c, n)));
    }
    for (std::size_t i = 0; i < state.frame_log.size(); ++i) {
      const FrameLogEntry e = state.frame_log.Entry(i);
      out.push_back(std::string(e.file) + " " + std::to_string(e.number) + " " +
                    std::string(e.label) + " " + Hex_Line(e.bytes) +
                    std::to_string(int(e.kind) * 1000000 + e.type * 10000 + e.selector * 10 +
                                   int(e.problem)));
    }
  }
  EXPECT_GT(seen[0].size(), FrameLog::kMaxLines);
  EXPECT_NE(seen[0][0].find("stopped: store full"), std::string::npos);
  ASSERT_EQ(seen[0].size(), seen[1].size());
  for (std::size_t i = 0; i < seen[0].size(); ++i) ASSERT_EQ(seen[0][i], seen[1][i]) << i;
}

}  // namespace
}  // namespace orvelt

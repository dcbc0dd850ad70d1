#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ingest/file_list_loader.hpp"
#include "ingest/kiss_reader.hpp"
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

  LoadReport Load(std::vector<std::string> files) {
    refreshes_ = 0;
    return Load_Selection(state_, form_, std::move(files), [this] { ++refreshes_; });
  }

  testing::ScratchDir dir_;
  TelemetryState state_;
  FormModel form_;
  int refreshes_ = 0;
};

TEST_F(LoadPolicyTest, FilesOfASelectionAppendInListOrder) {
  const auto a = Write("a.kss", Join({Label("2026-11-28 09:00:00"), Battery0(1)}));
  // b.kss starts without a label: its first sample carries the label a.kss ended with.
  const auto b = Write("b.kss", Join({Battery0(2), Label("2026-11-28 10:00:00"), Battery0(3)}));
  const LoadReport report = Load({a, b});
  EXPECT_TRUE(report.Complete());
  EXPECT_EQ(report.files_read, 2);
  EXPECT_EQ(refreshes_, 2);
  ASSERT_EQ(state_.store.Count(3), 3);
  EXPECT_EQ(state_.store.Value(3, 1), -0.00945 * 1 + 9.7488);
  EXPECT_EQ(state_.store.Value(3, 3), -0.00945 * 3 + 9.7488);
  EXPECT_EQ(state_.store.Label(3, 2), "2026-11-28 09:00:00");
  EXPECT_EQ(state_.store.Label(3, 3), "2026-11-28 10:00:00");
  EXPECT_EQ(form_.List3, (std::vector<std::string>{a, b}));
  EXPECT_EQ(form_.Label3, b);
  EXPECT_EQ(state_.CaptureFileName, b);
  EXPECT_EQ(form_.Debug.size(), 3u);

  // Loading again empties the store first; the hex log keeps both loads.
  Load({a, b});
  EXPECT_EQ(state_.store.Count(3), 3);
  EXPECT_EQ(form_.Debug.size(), 6u);
  // The second load's first sample of b.kss now follows a's label, the first of a.kss the
  // label the first load ended with.
  EXPECT_EQ(state_.store.Label(3, 1), "2026-11-28 09:00:00");
}

TEST_F(LoadPolicyTest, BadFramesAreSkippedAndTheLoadGoesOn) {
  Bytes oversize{kFend, 0x00};
  oversize.insert(oversize.end(), 600, 0x41);
  const Bytes bad_counter = tools::Kiss_Frame(tools::Counter_Frame(0xE1, 0x80000000));
  const auto a = Write("a.kss", Join({Battery0(1), oversize, bad_counter, Battery0(2)}));
  const auto b = Write("b.kss", Battery0(3));
  const LoadReport report = Load({a, b});
  EXPECT_TRUE(report.Complete());
  EXPECT_EQ(state_.store.Count(3), 3);
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_EQ(report.problems[0].file, a);
  EXPECT_EQ(report.problems[0].frame, 2);
  EXPECT_EQ(report.problems[0].reason, "frame longer than 512 bytes");
  EXPECT_EQ(report.problems[1].frame, 3);
  EXPECT_EQ(report.problems[1].reason, "value out of range");
  EXPECT_EQ(report.Summary(), "2 problems: 1 frame longer than 512 bytes, 1 value out of range");
}

TEST_F(LoadPolicyTest, UnreadableFileIsReportedAndSkipped) {
  fs::create_directories(dir_ / "folder.kss");
  const auto a = Write("a.kss", Battery0(1));
  const auto c = Write("c.kss", Battery0(2));
  const std::string missing = (dir_ / "missing.kss").string();
  const LoadReport report = Load({a, (dir_ / "folder.kss").string(), missing, "", c});
  EXPECT_TRUE(report.Complete());
  EXPECT_EQ(state_.store.Count(3), 2);
  // A name that names no file reads as an empty file; the folder is a problem of its own.
  EXPECT_EQ(report.files_read, 3);
  EXPECT_EQ(refreshes_, 3);
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0].frame, 0);
  EXPECT_NE(report.problems[0].reason.find("cannot read file"), std::string::npos);
}

TEST_F(LoadPolicyTest, FullStoreStopsTheWholeLoad) {
  Bytes many;
  for (int i = 0; i < kSeriesCapacity + 1; ++i) {
    const Bytes f = Battery0(static_cast<std::uint8_t>(i));
    many.insert(many.end(), f.begin(), f.end());
  }
  const auto a = Write("a.kss", many);
  const auto b = Write("b.kss", Battery0(7));
  const LoadReport report = Load({a, b});
  ASSERT_FALSE(report.Complete());
  EXPECT_EQ(report.stopped->file, a);
  EXPECT_EQ(report.stopped->frame, kSeriesCapacity + 1);
  EXPECT_EQ(report.stopped->reason, "store full (Battery 0 Volt, channel 3)");
  EXPECT_EQ(state_.store.Count(3), kSeriesCapacity);
  EXPECT_EQ(refreshes_, 0);
  EXPECT_EQ(form_.Label3, a);  // b.kss was never started
  EXPECT_EQ(report.files_read, 0);
}

}  // namespace
}  // namespace orvelt

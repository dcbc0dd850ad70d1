#pragma once

// An archive of the test's own in a scratch folder, for the archive's tests and the history
// view's.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "archive/archive.hpp"
#include "archive/archive_loading.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt::testing {

constexpr UtcSeconds kForever = std::int64_t{1} << 40;

class ArchiveTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir_ / "archive.sqlite"; }
  // An archive that does not open ends the test with the reason.
  std::unique_ptr<Archive> Open(const std::filesystem::path& file = {}) {
    auto opened = Archive::Open(file.empty() ? File() : file);
    if (!opened.ok()) throw std::runtime_error(opened.why());
    return std::move(opened.value());
  }
  std::string Write(const std::string& name, const tools::CaptureBuilder& capture) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(capture.Write_File(path));
    return path;
  }
  // Adds a pass of `seconds` starting at `start` through a connection of its own.
  void Add_Pass(UtcSeconds start, int seconds, std::uint32_t seed) {
    const ArchiveLoad load = Add_To_Archive(
        *Open(), {Write("pass" + std::to_string(start) + ".kss",
                        tools::Generate_Pass({.start = start, .seconds = seconds, .seed = seed}))});
    ASSERT_TRUE(load.outcome.ok()) << load.outcome.why();
  }
  ScratchDir dir_;
};

}  // namespace orvelt::testing

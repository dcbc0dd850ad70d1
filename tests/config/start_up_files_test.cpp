#include "config/start_up_files.hpp"
#include "config/install_layout.hpp"
#include "support/scratch_dir.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <utility>
#include <vector>

namespace orvelt {
namespace {

namespace fs = std::filesystem;
using Folders = std::vector<fs::path>;

TEST(StartUpFolders, ProgramThenUserThenInstallationThenSharedData) {
  const fs::path installed =
      (fs::path("/opt/o/bin") / kProgramToDataFolder / "orvelt").lexically_normal();
  const std::pair<StartUpPlaces, Folders> cases[] = {
      {{"/opt/o/bin", "/home/u/.config", {"/home/u/.local/share", "/usr/share"}},
       {"/opt/o/bin", "/home/u/.config/orvelt", installed, "/home/u/.local/share/orvelt",
        "/usr/share/orvelt"}},
      // Each folder once, however it is spelled; empty entries are no places.
      {{"", "", {installed.parent_path(), "", "/usr/share/", "/usr/./share"}},
       {installed, "/usr/share/orvelt"}},
  };
  for (const auto& [places, expected] : cases) EXPECT_EQ(Start_Up_Folders(places), expected);
}

// What stands at the name in the first folder that has one is used or refused, never searched
// past, so the user learns why the file they placed there is not read.
TEST(ReadStartUpFile, OnlyRegularFilesUpToTheSizeLimitAreRead) {
  testing::ScratchDir dir;
  for (const char* name : {"a", "b"}) fs::create_directories(dir / name);
  const fs::path first = dir / "a" / "f.ini";
  std::ofstream(dir / "b" / "f.ini") << "fallback";
  const std::string limit(kMaxStartUpFileSize, 'x'), refused = ", not a file that can be read";
  const std::pair<std::function<void()>, std::string> cases[] = {
      // what is made, why refused
      {[] {}, ""},
      {[&] { std::ofstream(first) << limit; }, ""},
      {[&] { std::ofstream(first) << limit << 'x'; },
       "is larger than 1 MiB (1048577 bytes); a start-up file is a few lines of text"},
      {[&] { ASSERT_EQ(::mkfifo(first.c_str(), 0600), 0); }, "is a FIFO" + refused},
      {[&] { fs::create_directory(first); }, "is a folder" + refused},
      {[&] { fs::create_symlink("/dev/zero", first); }, "is a device" + refused},
      {[&] { fs::create_symlink(dir / "gone", first); }, "is a link to a missing file" + refused},
  };
  for (const auto& [make, reason] : cases) {
    SCOPED_TRACE(reason);
    fs::remove_all(first);
    make();
    // A read that blocks in open() fails, and is released by opening the FIFO's other end.
    auto read = std::async(std::launch::async, [&] {
      return Read_Start_Up_File({dir / "a", dir / "missing", dir / "b"}, "f.ini");
    });
    if (read.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
      ADD_FAILURE() << "reading blocked";
      ::close(::open(first.c_str(), O_WRONLY | O_NONBLOCK));
    }
    const Result<StartUpFile> result = read.get();
    EXPECT_EQ(result.why(), reason.empty() ? "" : first.string() + ": " + reason);
    if (result) {
      EXPECT_EQ(result.value().text.size(), fs::exists(first) ? limit.size() : 8u);
    }
  }
}

}  // namespace
}  // namespace orvelt

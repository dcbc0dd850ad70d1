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
#include <vector>

namespace orvelt {
namespace {

namespace fs = std::filesystem;
using Folders = std::vector<fs::path>;

TEST(StartUpFolders, ProgramThenUserThenInstallationThenSharedData) {
  const fs::path installed =
      (fs::path("/opt/o/bin") / kProgramToDataFolder / "orvelt").lexically_normal();
  struct Case {
    const char* what;
    StartUpPlaces places;
    Folders expected;
  };
  const std::vector<Case> cases = {
      {"all places",
       {"/opt/o/bin", "/home/u/.config", {"/home/u/.local/share", "/usr/share"}},
       {"/opt/o/bin", "/home/u/.config/orvelt", installed, "/home/u/.local/share/orvelt",
        "/usr/share/orvelt"}},
      {"each folder once, however it is spelled",
       {"/opt/o/bin/",
        "/home/u/.config/",
        {installed.parent_path(), "/usr/share/", "/usr/./share", "/usr/share"}},
       {"/opt/o/bin", "/home/u/.config/orvelt", installed, "/usr/share/orvelt"}},
      {"no user folders", {"/opt/o/bin", "", {}}, {"/opt/o/bin", installed}},
      {"empty entries are no places", {"", "", {"", "/usr/share"}}, {"/usr/share/orvelt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Start_Up_Folders(c.places), c.expected);
  }
}

class ReadStartUpFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "b", "c"}) fs::create_directories(dir / name);
  }
  void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  // Reads with a time limit: a read that blocks in open() is a failure, not a hung test. The
  // blocked reader is then released by opening the FIFO's other end.
  Result<StartUpFile> Read_Bounded(const Folders& folders, const fs::path& fifo = {}) {
    auto read =
        std::async(std::launch::async, [&] { return Read_Start_Up_File(folders, "f.ini"); });
    if (read.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
      ADD_FAILURE() << "reading blocked";
      if (!fifo.empty()) ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    }
    return read.get();
  }

  testing::ScratchDir dir;
};

TEST_F(ReadStartUpFileTest, TheFirstFolderWithTheFileWins) {
  Write(dir / "b" / "f.ini", "from b");
  Write(dir / "c" / "f.ini", "from c");
  const auto result =
      Read_Start_Up_File({dir / "a", dir / "missing", dir / "b", dir / "c"}, "f.ini");
  ASSERT_TRUE(result.ok()) << result.why();
  EXPECT_EQ(result.value().path, dir / "b" / "f.ini");
  EXPECT_EQ(result.value().text, "from b");
}

// What stands at the name in the first folder is used or refused; it is never searched past,
// so the user learns why the file they placed there is not read.
TEST_F(ReadStartUpFileTest, OnlyRegularFilesUpToTheSizeLimitAreRead) {
  const fs::path first = dir / "a" / "f.ini";
  Write(dir / "b" / "f.ini", "fallback");
  const std::string limit(kMaxStartUpFileSize, 'x');
  struct Case {
    const char* what;
    std::function<void()> make;
    std::string reason;  // empty: read
  };
  const std::vector<Case> cases = {
      {"a file of exactly the limit", [&] { Write(first, limit); }, ""},
      {"one byte more", [&] { Write(first, limit + "x"); },
       "is larger than 1 MiB (1048577 bytes); a start-up file is a few lines of text"},
      {"a FIFO", [&] { ASSERT_EQ(::mkfifo(first.c_str(), 0600), 0); },
       "is a FIFO, not a file that can be read"},
      {"a folder", [&] { fs::create_directory(first); },
       "is a folder, not a file that can be read"},
      {"a link to a device", [&] { fs::create_symlink("/dev/zero", first); },
       "is a device, not a file that can be read"},
      {"a link to nothing", [&] { fs::create_symlink(dir / "gone", first); },
       "is a link to a missing file, not a file that can be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(first);
    c.make();

    const auto result = Read_Bounded({dir / "a", dir / "b"}, first);

    if (c.reason.empty()) {
      ASSERT_TRUE(result.ok()) << result.why();
      EXPECT_EQ(result.value().text.size(), kMaxStartUpFileSize);
    } else {
      EXPECT_EQ(result.why(), first.string() + ": " + c.reason);
    }
  }
}

}  // namespace
}  // namespace orvelt

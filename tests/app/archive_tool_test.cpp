#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

std::string Content(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Ran {
  int status;
  std::string out, err;
};

// orvelt-archive as a user runs it, with the scratch folder as home and configuration.
class ArchiveTool : public ::testing::Test {
 protected:
  Ran Run(const std::string& args) {
    const fs::path out = dir_ / "run.out", err = dir_ / "run.err";
    const std::string line = "cd '" + dir_.path().string() + "' && HOME='" + dir_.path().string() +
                             "' XDG_CONFIG_HOME='" + (dir_ / "config").string() +
                             "' XDG_DATA_HOME='" + (dir_ / "data").string() + "' '" +
                             ORVELT_ARCHIVE_BINARY + "' " + args + " >'" + out.string() + "' 2>'" +
                             err.string() + "'";
    const int raw = std::system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Content(out), Content(err)};
  }
  testing::ScratchDir dir_;
};

TEST_F(ArchiveTool, AddsExportsListsPassesWithLimitsAndRefusesWhatItCannotRead) {
  tools::PassOptions pass;
  pass.seconds = 60;
  ASSERT_TRUE(tools::Generate_Pass(pass).Write_File(dir_ / "a.kss"));
  pass.start += 3600;
  ASSERT_TRUE(tools::Generate_Pass(pass).Write_File(dir_ / "b.kss"));

  struct Case {
    std::string args;
    int status;
    std::string in_err;
  };
  for (const auto& [args, status, in_err] : std::vector<Case>{
           {"", 2, "no command"},
           {"stats", 1, "no archive at"},  // reading never makes an archive
           {"export", 2, "export needs --channel"},
           {"export --channel 7", 2, "--channel needs"},  // a selector, no series
           {"passes --from 2026-13-01", 2, "--from needs"},
           {"fetch --norad 1", 2, "fetch needs"},
           {"add a.kss missing.kss", 1, "no such file"},
           {"add - <b.kss", 0, ": 900 new"},
           {"add b.kss", 0, "0 new, 900 already archived from another source"},
       }) {
    SCOPED_TRACE(args);
    const Ran run = Run(args);
    EXPECT_EQ(run.status, status) << run.err;
    EXPECT_NE(run.err.find(in_err), std::string::npos) << run.err;
  }
  EXPECT_TRUE(fs::exists(dir_ / "data/orvelt/archive.sqlite"));

  const Ran csv = Run("export --channel 3,8 --to '2026-11-28 09:14:01'");
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 5) << csv.out;  // head, 2 x 2 samples

  fs::create_directories(dir_ / "config/orvelt");
  std::ofstream(dir_ / "config/orvelt/orvelt-decoder.conf") << "[limits]\n3=..8.05\n";
  const Ran passes = Run("passes --channel 3 --limits");
  ASSERT_EQ(passes.status, 0) << passes.err;
  std::istringstream rows(passes.out);
  std::string line;
  std::getline(rows, line);  // the head
  int passes_seen = 0;
  while (std::getline(rows, line)) {
    ++passes_seen;
    EXPECT_NE(line.find("Battery 0 Volt up to "), std::string::npos) << line;
    EXPECT_NE(line.find(" above 8.05"), std::string::npos) << line;
  }
  EXPECT_EQ(passes_seen, 2);
}

}  // namespace
}  // namespace orvelt

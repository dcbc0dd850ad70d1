#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orvelt::testing {

// A folder of the running test's own, named after it and its process (tests run in parallel as
// separate processes, and two builds may run the same test at once), emptied when made and
// removed when the test ends.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (std::string("orvelt_") + test->test_suite_name() + "_" + test->name() + "_" +
             std::to_string(getpid()));
    Clear();
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  void Clear() {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& p) const { return path_ / p; }

 private:
  std::filesystem::path path_;
};

// The bytes a file holds; empty when it cannot be read.
inline std::string File_Content(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace orvelt::testing

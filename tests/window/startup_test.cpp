#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "config/install_layout.hpp"
#include "support/fake_platform.hpp"
#include "support/scratch_dir.hpp"
#include "window/handlers.hpp"
#include "window/startup.hpp"

namespace orvelt {
namespace {

namespace fs = std::filesystem;

// An installation in a scratch root as a package lays it out, and a user's folders: start-up
// takes each file from the folders the platform names, the user's own first.
TEST(FormLoad, InstalledProgramReadsTheUsersFilesThenTheInstallationsAndSavesIntoPictures) {
  testing::ScratchDir dir;
  const fs::path bin = dir / "root/usr/bin";
  const fs::path shipped = (bin / kProgramToDataFolder / "orvelt").lexically_normal();
  const fs::path user = dir / "home/.config/orvelt";
  const fs::path shared = dir / "xdg-data/orvelt";
  for (const fs::path& d : {bin, shipped, user, shared}) fs::create_directories(d);
  testing::FakePlatform platform;
  platform.program_directory = bin;
  platform.program_directory_writable = false;
  platform.config_home = dir / "home/.config";
  platform.data_directories = {dir / "xdg-data"};
  platform.pictures_directory = dir / "home/Pictures";
  std::ofstream(shipped / "conf.ini") << "SCREENSHOT=NO\r\n";
  std::ofstream(shared / "obc_offset.ini") << "0\r\n";

  AppState app;
  ASSERT_TRUE(Form_Load(app, platform).ok());
  EXPECT_FALSE(app.form.Command1_visible);
  EXPECT_EQ(app.ImagePath, (dir / "home/Pictures/").string());
  EXPECT_TRUE(fs::is_directory(dir / "home/Pictures"));  // made for the first screenshot

  std::ofstream(user / "conf.ini") << "IMAGE_PATH=shots/\r\n";
  AppState with_own_settings;
  ASSERT_TRUE(Form_Load(with_own_settings, platform).ok());
  EXPECT_TRUE(with_own_settings.form.Command1_visible);
  EXPECT_EQ(with_own_settings.ImagePath, (user / "shots/").string());
}

}  // namespace
}  // namespace orvelt

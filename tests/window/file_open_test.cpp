#include <gtest/gtest.h>

#include "support/fake_platform.hpp"
#include "support/scratch_dir.hpp"
#include "tools/capture_writer.hpp"
#include "window/handlers.hpp"

namespace orvelt {
namespace {

class FileOpenTest : public ::testing::Test {
 protected:
  std::string Capture(const std::string& name, int batteries) {
    tools::CaptureBuilder c;
    c.Add(tools::Text_Time_Label_Frame("2026-11-28 09:14:0" + std::to_string(batteries)));
    for (int i = 0; i < batteries; ++i)
      c.Add(tools::Raw_Word_Record(0x2C, 3, static_cast<std::int16_t>(i)));
    EXPECT_TRUE(c.Write_File(dir / name));
    return (dir / name).string();
  }

  testing::ScratchDir dir;
  AppState app;
  testing::FakePlatform platform;
};

// Cancel right after start reads nothing; later it reads the last selection again, into a store
// and frame log of its own.
TEST_F(FileOpenTest, MultiSelectionLoadsInOrderAndCancelReadsItAgain) {
  const auto a = Capture("a.kss", 2);
  const auto b = Capture("b.kss", 3);
  platform.dialog_results = {std::nullopt, dir.path().string() + '\0' + "a.kss" + '\0' + "b.kss",
                             std::nullopt};
  MenuFileOpen_Click(app, platform);
  EXPECT_TRUE(app.form.List3.empty());
  MenuFileOpen_Click(app, platform);
  MenuFileOpen_Click(app, platform);
  EXPECT_EQ(app.form.List3, (std::vector<std::string>{a, b}));
  EXPECT_EQ(app.telemetry.store.Count(3), 5);
  EXPECT_EQ(app.telemetry.frame_log.size(), 5u);
  EXPECT_EQ(app.form.Label3, b);
  EXPECT_EQ(app.form.Text1[3].text, "9.75");  // record 1 shown after the load
  EXPECT_TRUE(platform.messages.empty());
}

// A new load starts from nothing: no message, switch state or logged frame of the store it
// replaced remains to be shown or forwarded.
TEST_F(FileOpenTest, ANewLoadLeavesNothingOfTheStoreItReplaced) {
  tools::CaptureBuilder c;
  c.Add(tools::Message_Frame("HELLO"));
  c.Add(tools::Switchboard_Record(tools::kSwitchSelectors[0], 0, 0, 0));  // status 0 is OFF
  ASSERT_TRUE(c.Write_File(dir / "m.kss"));
  Open_Files(app, platform, {(dir / "m.kss").string()});
  ASSERT_EQ(app.telemetry.messages.size(), 1u);
  ASSERT_EQ(app.form.Text1[kFirstStatusBox].text, "OFF");
  Open_Files(app, platform, {Capture("a.kss", 2)});
  EXPECT_EQ(app.telemetry.messages.size(), 0u);
  EXPECT_EQ(app.telemetry.frame_log.size(), 2u);  // the two battery frames; labels are not logged
  EXPECT_EQ(app.form.Text1[kFirstStatusBox].text, "");
}

// The dialog's room is 32767 characters, counted as characters, not bytes ("é" is one). More
// names leave an empty store and the old record shown; a name that fills it exactly is taken.
TEST_F(FileOpenTest, SelectionsLongerThanTheRoomOfTheDialogAreRefused) {
  const auto a = Capture("a.kss", 1);
  std::string names = dir.path().string(), exact = dir.path().string() + "/";
  while (names.size() <= 32767) names.append(1, '\0').append("capture_with_a_long_name.kss");
  exact.resize(32767 - 1, 'x');
  platform.dialog_results = {a, names, exact + "\u00e9"};
  MenuFileOpen_Click(app, platform);
  const std::string shown = app.form.Text1[3].text;
  MenuFileOpen_Click(app, platform);
  EXPECT_EQ(platform.messages, std::vector<std::string>{"too many files selected :-("});
  EXPECT_EQ(app.telemetry.store.Count(3), 0);
  EXPECT_EQ(app.form.List3, std::vector<std::string>{a});
  EXPECT_EQ(app.form.Text1[3].text, shown);
  MenuFileOpen_Click(app, platform);
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(app.form.List3, std::vector<std::string>{exact + "\u00e9"});
}

// A file named on the command line or dropped that does not exist is a problem, not an empty
// success; the decoded facts of a load reach the status boxes.
TEST_F(FileOpenTest, LoadReportInTheStatusLine) {
  tools::CaptureBuilder c;
  c.Add(tools::Switchboard_Record(0x81, 1, 10, 10));
  ASSERT_TRUE(c.Write_File(dir / "switch.kss"));
  Open_Files(app, platform, {(dir / "switch.kss").string(), (dir / "gone.kss").string()});
  EXPECT_EQ(app.form.Label3, (dir / "gone.kss").string() + " | 1 problem: no such file");
  EXPECT_EQ(app.last_load.Problem_Count(), 1);
  EXPECT_EQ(app.form.Text1[58].text, "ON");
}

}  // namespace
}  // namespace orvelt

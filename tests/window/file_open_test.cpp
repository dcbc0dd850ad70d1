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
  EXPECT_EQ(app.form.Label3, "2 files: " + a + ", b.kss");  // the selection, not its last file
  EXPECT_EQ(app.form.Text1[3].text, "9.75");                // record 1 shown after the load
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
  // Taken, and then refused as no file.
  MenuFileOpen_Click(app, platform);
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(app.form.Label3.find("\u00e9: "), std::string::npos);  // a name too long for a file
  EXPECT_EQ(app.form.List3, std::vector<std::string>{a});
}

// A selection of which no file holds a capture leaves the store, the list and the record shown
// as they were and says why, naming each file; a selection with some loads those.
TEST_F(FileOpenTest, WrongFilesKeepWhatIsShown) {
  const auto a = Capture("a.kss", 3);
  tools::CaptureBuilder text;
  text.Add_Raw(std::vector<std::uint8_t>(2000, 'x'));
  ASSERT_TRUE(text.Write_File(dir / "README"));
  ASSERT_TRUE(tools::CaptureBuilder().Write_File(dir / "empty.kss"));
  const std::string readme = (dir / "README").string(), empty = (dir / "empty.kss").string(),
                    gone = (dir / "gone.kss").string();
  const struct {
    std::vector<std::string> files;
    std::string said;  // the message and the status line
  } cases[] = {
      {{readme}, "README is not a capture file: no frame of ORVELT-1 in 2 kB"},
      {{empty}, "empty.kss is not a capture file: the file is empty"},
      {{gone}, "gone.kss: no such file"},
      {{dir.path().string()}, dir.path().filename().string() + ": not a capture file (a folder)"},
      {{empty, gone},
       "Nothing loaded:\nempty.kss is not a capture file: the file is empty\n"
       "gone.kss: no such file"},
  };
  for (const auto& c : cases) {
    Open_Files(app, platform, {a});
    platform.messages.clear();
    const std::string shown = app.form.Text1[3].text;
    EXPECT_FALSE(Open_Files(app, platform, c.files));
    EXPECT_EQ(app.form.Label3_details, c.said);
    EXPECT_EQ(app.telemetry.store.Count(3), 3);
    EXPECT_EQ(app.telemetry.frame_log.size(), 3u);
    EXPECT_EQ(app.form.List3, std::vector<std::string>{a});
    EXPECT_EQ(app.form.Text1[3].text, shown);
    std::string line = c.said;
    if (line.starts_with("Nothing loaded:\n")) line = line.substr(16);
    for (auto at = line.find('\n'); at != std::string::npos; at = line.find('\n')) {
      line.replace(at, 1, "; ");
    }
    EXPECT_EQ(app.form.Label3, line);
  }
  // Some good: those load, the others are named, and nothing counts as other stations' frames.
  platform.messages.clear();
  EXPECT_TRUE(Open_Files(app, platform, {readme, a, Capture("b.kss", 2)}));
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(app.telemetry.store.Count(3), 5);
  EXPECT_EQ(app.form.List3.size(), 2u);
  EXPECT_EQ(app.last_load.Problem_Count(), 1);
  EXPECT_EQ(app.form.Label3, "2 files: " + a +
                                 ", b.kss | 1 problem: README is not a capture "
                                 "file: no frame of ORVELT-1 in 2 kB");
}

}  // namespace
}  // namespace orvelt

#include "charts/selection.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "charts/chart_routines.hpp"

namespace orvelt {
namespace {

// A platform whose key-state query answers scripted words and records the order of queries.
class ScriptedPlatform : public Platform {
 public:
  std::map<AsyncKey, std::uint16_t> words;
  std::vector<AsyncKey> queries;

  std::uint16_t Async_Key_State(AsyncKey key) override {
    queries.push_back(key);
    return words[key];
  }
  std::optional<std::string> Show_Open_Dialog(const OpenDialogSettings&) override { return {}; }
  void Message_Box(const std::string&) override {}
  std::string Decimal_Separator() override { return "."; }
  std::string Format_Short_Date(const CivilDateTime&) override { return "28.11.2026"; }
  std::string Format_Long_Time(const CivilDateTime&) override { return "09:14:00"; }
  std::filesystem::path Program_Directory() override { return "."; }
  std::string Save_Window_Bitmap(const std::filesystem::path&) override { return {}; }
  std::string Write_Png(const std::filesystem::path&, const std::filesystem::path&, std::uint8_t,
                        std::uint8_t, std::uint8_t) override {
    return {};
  }
  bool Start_Program(const std::string&, const std::vector<std::string>&) override { return true; }
};

// Every group member and a few channels without a group, each with its own sample count so
// that the chart drawn tells which channel gave the rows.
void Load(AppState& app) {
  for (const ChannelInfo& c : Channel_Table()) {
    if (c.index >= kChannelCount) continue;
    for (int i = 1; i <= 5 + c.index; ++i) {
      app.telemetry.store.Append_Sample(c.index, c.index + i / 100.0, "2026-11-28 09:14:00");
    }
  }
}

constexpr std::uint16_t kFresh = 0x8001;
constexpr std::uint16_t kHeld = 0x8000;
constexpr std::uint16_t kPressedAndReleased = 0x0001;

struct Keys {
  const char* name;
  std::uint16_t shift;
  std::uint16_t right_button;
  bool group;  // counts as a fresh press of either key
};

void PrintTo(const Keys& k, std::ostream* os) {
  *os << k.name;
}

const std::vector<Keys> kKeyCases = {
    {"None", 0, 0, false},
    {"ShiftFresh", kFresh, 0, true},
    {"RightFresh", 0, kFresh, true},
    {"BothFresh", kFresh, kFresh, true},
    {"ShiftHeld", kHeld, 0, false},
    {"RightHeld", 0, kHeld, false},
    {"ShiftPressedAndReleased", kPressedAndReleased, 0, false},
    {"RightPressedAndReleased", 0, kPressedAndReleased, false},
    {"HeldAndReleased", kHeld, kPressedAndReleased, false},
    {"ShiftHeldRightFresh", kHeld, kFresh, true},
    {"OtherBitsSet", 0x8003, 0xFFFF, false},
};

// The first channel of each channel's group chart; the channel itself when it has none.
int First_Channel_Of_Group(int channel) {
  switch (channel) {
    case 3:
    case 8:
      return 3;
    case 10:
    case 13:
      return 10;
    case 16:
    case 21:
      return 16;
    case 19:
    case 27:
      return 19;
    case 51:
    case 52:
    case 53:
      return 51;
    default:
      return -1;
  }
}

int Group_Size(int channel) {
  return channel >= 51 ? 3 : 2;
}

class Option1ClickKeys : public testing::TestWithParam<Keys> {};

TEST_P(Option1ClickKeys, DrawsSingleOrGroupChartForEverySelector) {
  const Keys& k = GetParam();
  for (const ChannelInfo& info : Channel_Table()) {
    const int index = info.index;
    SCOPED_TRACE("channel " + std::to_string(index));
    AppState app;
    Load(app);
    ScriptedPlatform platform;
    platform.words = {{AsyncKey::Shift, k.shift}, {AsyncKey::RightButton, k.right_button}};
    Draw_Value(app, 47);  // something else on show before the click
    const ChartModel before = app.form.MSChart2;
    const std::string caption_before = app.form.Frame5;

    Option1_Click(app, platform, index);

    EXPECT_EQ(platform.queries, (std::vector{AsyncKey::Shift, AsyncKey::RightButton}));
    const ChartModel& chart = app.form.MSChart2;
    const int first = First_Channel_Of_Group(index);
    if (!k.group) {
      EXPECT_EQ(chart.column_count, 1);
      EXPECT_EQ(chart.row_count, app.telemetry.store.Count(index));
      EXPECT_EQ(app.form.Frame5, info.caption);
    } else if (first < 0) {
      EXPECT_EQ(chart.data_revision, before.data_revision);
      EXPECT_EQ(chart.column_count, before.column_count);
      EXPECT_EQ(chart.data, before.data);
      EXPECT_EQ(app.form.Frame5, caption_before);
    } else {
      EXPECT_EQ(chart.column_count, Group_Size(index));
      EXPECT_EQ(chart.row_count, app.telemetry.store.Count(first));
      ASSERT_FALSE(chart.series.empty());
      EXPECT_EQ(chart.series[0].legend, Channel_Caption(first));
      EXPECT_EQ(app.form.Frame5, info.caption);
    }
    EXPECT_EQ(app.form.Label2, "2026-11-28 09:14:00");  // the record is shown again
    // Selected alone and highlighted, whatever was drawn.
    EXPECT_EQ(app.form.Text1[static_cast<std::size_t>(index)].back_colour, kBoxHighlight);
    EXPECT_TRUE(app.form.Option1[static_cast<std::size_t>(index)].on);
  }
}

INSTANTIATE_TEST_SUITE_P(Words, Option1ClickKeys, testing::ValuesIn(kKeyCases),
                         [](const testing::TestParamInfo<Keys>& info) {
                           return std::string(info.param.name);
                         });

TEST(Option1Click, OnlyTheLastClickedChannelStaysSelectedAndHighlighted) {
  AppState app;
  Load(app);
  ScriptedPlatform platform;
  // A status box is outside the walk over the channels and keeps its colour.
  app.form.Text1[60].back_colour = 0x123456;

  for (const int index : {3, 28, 51, 46}) {
    app.form.Option1[static_cast<std::size_t>(index)].on = true;  // the click turns it on
    Option1_Click(app, platform, index);
  }

  for (int j = 0; j < kControlIndexCount; ++j) {
    const ValueBox& box = app.form.Text1[static_cast<std::size_t>(j)];
    if (!box.exists) continue;
    const std::uint32_t expected = j == 46 ? kBoxHighlight : j == 60 ? 0x123456 : kBoxWhite;
    EXPECT_EQ(box.back_colour, expected) << j;
  }
  for (int j = 0; j < kChannelCount; ++j) {
    EXPECT_EQ(app.form.Option1[static_cast<std::size_t>(j)].on, j == 46) << j;
  }
}

TEST(Option1Click, SameChannelAgainRepeatsEveryStep) {
  AppState app;
  Load(app);
  ScriptedPlatform platform;
  Option1_Click(app, platform, 8);
  const auto revision = app.form.MSChart2.data_revision;
  app.form.Text1[8].back_colour = kBoxWhite;

  Option1_Click(app, platform, 8);

  EXPECT_EQ(app.form.MSChart2.data_revision, revision + 1);
  EXPECT_EQ(app.form.Text1[8].back_colour, kBoxHighlight);
  EXPECT_EQ(platform.queries.size(), 4u);
}

// ---------------------------------------------------------------------------------------------

TEST(Check1Click, SwitchesBarsAndLinesKeepingTheData) {
  struct Case {
    int check;
    int chart_type;
    int series_type;
  };
  AppState app;
  Load(app);
  Draw_Mag_Chart(app, 52);
  const ChartModel drawn = app.form.MSChart2;
  for (const Case c : {Case{1, 1, 1}, {0, 3, 6}, {1, 1, 1}, {2, 3, 6}}) {
    app.form.Check1 = c.check;

    Check1_Click(app);

    const ChartModel& chart = app.form.MSChart2;
    EXPECT_EQ(chart.chart_type, c.chart_type) << c.check;
    EXPECT_EQ(chart.series_type, c.series_type) << c.check;
    EXPECT_EQ(chart.data_revision, drawn.data_revision);
    EXPECT_EQ(chart.data, drawn.data);
    EXPECT_EQ(chart.row_labels, drawn.row_labels);
    EXPECT_EQ(app.form.Frame5, "Magn Y- Axis");
  }
}

}  // namespace
}  // namespace orvelt

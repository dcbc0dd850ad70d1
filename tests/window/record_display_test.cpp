#include "window/record_display.hpp"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <utility>

#include "decode/time_label.hpp"
#include "support/fake_platform.hpp"
#include "window/handlers.hpp"

namespace orvelt {
namespace {

TEST(RecordFormats, TwoDecimals) {
  const struct {
    double v;
    const char* sep;
    const char* text;
  } cases[] = {
      {12.345678, ".", "12.35"}, {7, ".", "7.00"},     {-3.5, ".", "-3.50"},
      {12.345678, ",", "12,35"}, {0, ".", "0.00"},     {0.004, ".", "0.00"},
      {-0.004, ".", "-0.00"},    {2.675, ".", "2.68"}, {9.995, ".", "10.00"},
      {-0.005, ".", "-0.01"},    {0.5, ".", "0.50"},   {2147483647, ".", "2147483647.00"},
      {-1e-300, ",", "-0,00"},   {-0.0, ".", "0.00"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format_Two_Decimals(c.v, c.sep), c.text) << c.v;
}

// Whole numbers halve to the even neighbour; plain decimals are the shortest that read back.
TEST(RecordFormats, WholeAndPlainNumbers) {
  for (const auto& [v, text] : {std::pair{41.0, "41"},
                                {2.5, "2"},
                                {3.5, "4"},
                                {-2.5, "-2"},
                                {-0.4, "0"},
                                {2147483647.0, "2147483647"}}) {
    EXPECT_EQ(Format_Whole_Number(v), text) << v;
  }
  EXPECT_EQ(Format_Plain_Decimal(1795857241, "."), "1795857241");
  EXPECT_EQ(Format_Plain_Decimal(1.25, ","), "1,25");
  EXPECT_EQ(Format_Plain_Decimal(0.1 + 0.2, "."), "0.3");
}

TEST(RecordFormats, SecondsToDate) {
  using Fields = std::array<int, 6>;
  const auto fields = [](double seconds) -> std::optional<Fields> {
    const auto t = Seconds_To_Date(seconds);
    if (!t) return std::nullopt;
    return Fields{t->year, t->month, t->day, t->hour, t->minute, t->second};
  };
  EXPECT_EQ(fields(0), (Fields{1970, 1, 1, 0, 0, 0}));
  EXPECT_EQ(fields(1795857241), (Fields{2026, 11, 28, 9, 14, 1}));
  EXPECT_EQ(fields(-1), (Fields{1969, 12, 31, 23, 59, 59}));
  for (const double beyond : {253402300800.0, -59011459201.0, 1e300}) {  // year 10000, 99, ...
    EXPECT_FALSE(Seconds_To_Date(beyond)) << beyond;
  }
}

class ShowRecordTest : public ::testing::Test {
 protected:
  void Append(int c, double v, const char* label) {
    app.telemetry.store.Append_Sample(c, v, label);
  }
  AppState app;
  testing::FakePlatform platform;
};

TEST_F(ShowRecordTest, ShowsSlotROfEverySeries) {
  Append(3, 9.1, "2026-11-28 09:14:01");
  Append(3, 9.2, "2026-11-28 09:14:02");
  Append(3, 9.345, "2026-11-28 09:14:03");
  Append(47, 2.5, "x");
  Append(46, 0, "y");
  app.form.Text1[58].text = "ON";  // a status box, left alone
  Show_Record(app, platform, 1);
  EXPECT_EQ(app.form.Text1[58].text, "ON");
  EXPECT_EQ(app.form.Text1[3].text, "9.10");
  EXPECT_EQ(app.form.Text1[47].text, "2");
  EXPECT_EQ(app.form.Text1[46].text, "0 -> 1970-01-01");
  EXPECT_EQ(app.form.Label2, "2026-11-28 09:14:01");
  Show_Record(app, platform, 3);
  EXPECT_EQ(app.form.Text1[3].text, "9.35");
  EXPECT_EQ(app.form.Label2, "2026-11-28 09:14:03");
}

// A slot that holds no sample shows an empty box, never a 0 that reads as a measurement: a
// channel with fewer samples, a channel with none (0 and 7 never get any), the time channel.
TEST_F(ShowRecordTest, SlotsWithoutASampleShowEmptyBoxes) {
  Append(3, 9.1, "2026-11-28 09:14:01");
  Append(3, 9.2, "2026-11-28 09:14:02");
  Append(46, 0, "a");
  Append(47, 0, "a");
  Show_Record(app, platform, 1);
  for (const int i : {0, 7, 8}) {
    EXPECT_EQ(app.form.Text1[i].text, "") << i;
    EXPECT_EQ(app.form.Text1[i].tooltip, "") << i;
  }
  EXPECT_EQ(app.form.Text1[47].text, "0");  // a sample that is 0 still shows
  Show_Record(app, platform, 2);
  for (const int i : {46, 47}) EXPECT_EQ(app.form.Text1[i].text, "") << i;
  EXPECT_EQ(app.form.Text1[3].text, "9.20");
  Show_Record(app, platform, 3);
  EXPECT_EQ(app.form.Text1[3].text, "");
  EXPECT_EQ(app.form.Label2, "");
}

// The tooltip holds the whole value, its unit and the sample's time label, whatever the box
// can show; channel 46 adds the date its seconds name, and beyond any date keeps its text.
TEST_F(ShowRecordTest, TooltipHasTheWholeValueUnitAndTimeAndChannel46ItsDate) {
  Append(10, 18304.37, "2026-11-28 09:14:01");
  Append(47, 2000000000, "");
  Append(46, 1795857241, "");
  Append(46, 1e15, "");
  Show_Record(app, platform, 1);
  EXPECT_EQ(app.form.Text1[10].tooltip, "Array Y+ Curr: 18304.37 mA\n2026-11-28 09:14:01");
  EXPECT_EQ(app.form.Text1[47].tooltip, "Packets Up: 2000000000\nno time label");
  EXPECT_EQ(app.form.Text1[46].text, "1795857241 -> 2026-11-28 09:14:01");
  // The tooltip writes the date as time labels are written, whatever the box's own form.
  EXPECT_EQ(app.form.Text1[46].tooltip,
            "time last I\xC2\xB2"
            "C msg: 1795857241 (2026-11-28 09:14:01)\nno time label");
  Show_Record(app, platform, 2);
  EXPECT_EQ(app.form.Text1[46].text, "1795857241 -> 2026-11-28 09:14:01");
}

TEST_F(ShowRecordTest, PositionsOutsideTheStoreChangeNothing) {
  Append(3, 9.1, "label");
  Show_Record(app, platform, 1);
  const FormModel before = app.form;
  for (const int r : {0, -1, 5001, 32767}) {
    Show_Record(app, platform, r);
    for (int i = 0; i < kControlIndexCount; ++i)
      EXPECT_EQ(app.form.Text1[i].text, before.Text1[i].text);
    EXPECT_EQ(app.form.Label2, before.Label2);
  }
}

// Following a pass, every box shows its channel's latest sample whatever the other channels
// hold, and a sample older than a minute is marked; the record display proper clears the mark.
TEST_F(ShowRecordTest, FollowingShowsEveryChannelsLatestSampleAndMarksOldOnes) {
  const std::int64_t now = *Parse_Time_Label("2026-11-28 09:20:00");
  Append(3, 9.1, "2026-11-28 09:14:00");
  Append(8, 7.0, "2026-11-28 09:19:00");
  Append(8, 7.5, "2026-11-28 09:19:30");
  for (int k = 0; k < 5; ++k) Append(51, k, "2026-11-28 09:19:59");
  Append(47, 4, "no time");
  app.form.HScroll1 = 5;
  Show_Latest(app, platform, now);
  const struct {
    int channel;
    const char* text;
    bool stale;
  } cases[] = {{3, "9.10", true},
               {8, "7.50", false},
               {51, "4.00", false},
               {47, "4", false},
               {10, "", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(app.form.Text1[c.channel].text, c.text) << c.channel;
    EXPECT_EQ(app.form.Text1[c.channel].stale, c.stale) << c.channel;
  }
  EXPECT_NE(app.form.Text1[3].tooltip.find("09:14:00"), std::string::npos);
  Show_Record(app, platform, 1);
  EXPECT_FALSE(app.form.Text1[3].stale);
}

TEST_F(ShowRecordTest, Label2FollowsTheSelectedChannel) {
  Append(3, 1, "battery 1");
  Append(51, 1, "magnetometer 1");
  Append(51, 2, "magnetometer 2");
  app.form.Option1[51].on = true;
  Show_Record(app, platform, 1);
  EXPECT_EQ(app.form.Label2, "magnetometer 1");
  // The selected channel has no record 3: the first channel that has one speaks.
  for (const char* label : {"b1", "b2", "b3"}) Append(8, 1, label);
  Show_Record(app, platform, 3);
  EXPECT_EQ(app.form.Label2, "b3");
  app.form.Option1[51].on = false;
  Show_Record(app, platform, 2);
  EXPECT_EQ(app.form.Label2, "b2");  // channel 3 has only one record
}

// A box's value against its channel's limits, set with its text by the record display and the
// latest-sample view; an empty box is never outside.
TEST_F(ShowRecordTest, MarksValuesOutsideTheirLimits) {
  const std::optional<double> open;
  app.limits[3] = {6.0, 8.4};
  app.limits[8] = {open, 7.0};
  app.limits[10] = {-5.0, open};
  app.limits[47] = {0.0, 3.0};
  const struct {
    int channel;
    double first, second;
    LimitCheck at_first, at_second;
  } cases[] = {
      {3, 5.9, 8.4, LimitCheck::Below, LimitCheck::Within},
      {8, 7.01, -1e9, LimitCheck::Above, LimitCheck::Within},
      {10, 1e9, -5.01, LimitCheck::Within, LimitCheck::Below},
      {47, 3.0, 3.4, LimitCheck::Within, LimitCheck::Above},    // the value counts, not its "3"
      {13, -1e9, 1e9, LimitCheck::Within, LimitCheck::Within},  // no limits
  };
  for (const auto& c : cases) {
    Append(c.channel, c.first, "2026-11-28 09:14:00");
    Append(c.channel, c.second, "2026-11-28 09:14:01");
  }
  Show_Record(app, platform, 1);
  for (const auto& c : cases) EXPECT_EQ(app.form.Text1[c.channel].limit, c.at_first) << c.channel;
  Show_Latest(app, platform, 0);
  for (const auto& c : cases) EXPECT_EQ(app.form.Text1[c.channel].limit, c.at_second) << c.channel;
  Show_Record(app, platform, 1);
  Show_Record(app, platform, 3);  // beyond every series: empty boxes, none outside
  for (const auto& c : cases) EXPECT_EQ(app.form.Text1[c.channel].limit, LimitCheck::Within);
}

// Outside its limits a box turns to the warning colour, except the selected one, which keeps
// its highlight and shows the value in warning text; warning text wins over the stale grey.
TEST(Box_Paint, WarningBesideTheSelectionAndAge) {
  const struct {
    std::uint32_t back;
    LimitCheck limit;
    bool stale;
    BoxPaint paint;
  } cases[] = {
      {kBoxWhite, LimitCheck::Within, false, {kBoxWhite, kTextNormal}},
      {kBoxWhite, LimitCheck::Below, false, {kBoxWarning, kTextWarning}},
      {kBoxWhite, LimitCheck::Above, false, {kBoxWarning, kTextWarning}},
      {kBoxHighlight, LimitCheck::Within, false, {kBoxHighlight, kTextNormal}},
      {kBoxHighlight, LimitCheck::Above, false, {kBoxHighlight, kTextWarning}},
      {kBoxHighlight, LimitCheck::Below, true, {kBoxHighlight, kTextWarning}},
      {kBoxWhite, LimitCheck::Within, true, {kBoxWhite, kTextStale}},
      {kBoxWhite, LimitCheck::Above, true, {kBoxWarning, kTextWarning}},
  };
  for (const auto& c : cases) {
    ValueBox box;
    box.back_colour = c.back;
    box.limit = c.limit;
    box.stale = c.stale;
    const BoxPaint paint = Box_Paint(box);
    EXPECT_EQ(paint.back, c.paint.back) << std::hex << c.back << " " << int(c.limit) << c.stale;
    EXPECT_EQ(paint.text, c.paint.text) << std::hex << c.back << " " << int(c.limit) << c.stale;
  }
}

}  // namespace
}  // namespace orvelt

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

// Two decimals round half away from zero on the decimal text, not on the nearest double; a
// negative value keeps its sign where it rounds to zero.
TEST(RecordFormats, TwoDecimals) {
  const std::pair<double, const char*> cases[] = {{12.345678, "12,35"},
                                                  {7, "7,00"},
                                                  {0.004, "0,00"},
                                                  {-0.004, "-0,00"},
                                                  {2.675, "2,68"},
                                                  {9.995, "10,00"},
                                                  {-0.005, "-0,01"},
                                                  {0.5, "0,50"},
                                                  {-0.0, "0,00"},
                                                  {-1e-300, "-0,00"},
                                                  {2147483647, "2147483647,00"}};
  for (const auto& [v, text] : cases) EXPECT_EQ(Format_Two_Decimals(v, ","), text) << v;
}

// Whole numbers halve to the even neighbour; plain decimals are the shortest that read back.
TEST(RecordFormats, WholeAndPlainNumbers) {
  for (const auto& [v, text] : {std::pair{2.5, "2"}, {3.5, "4"}, {-2.5, "-2"}, {-0.4, "0"}}) {
    EXPECT_EQ(Format_Whole_Number(v), text) << v;
  }
  EXPECT_EQ(Format_Plain_Decimal(1795857241, "."), "1795857241");
  EXPECT_EQ(Format_Plain_Decimal(0.1 + 0.2, ","), "0,3");
}

TEST(RecordFormats, SecondsToDateOnlyWithinYearsOneHundredTo9999) {
  const auto t = Seconds_To_Date(-1);
  ASSERT_TRUE(t);
  EXPECT_EQ((std::array{t->year, t->month, t->day, t->hour, t->minute, t->second}),
            (std::array{1969, 12, 31, 23, 59, 59}));
  for (const double beyond : {253402300800.0, -59011459201.0, 1e300}) {
    EXPECT_FALSE(Seconds_To_Date(beyond)) << beyond;
  }
}

class ShowRecordTest : public ::testing::Test {
 protected:
  void Append(int c, double v, const char* label = "2026-11-28 09:14:00") {
    app.telemetry.store.Append_Sample(c, v, label);
  }
  const std::string& Box(int c) const { return app.form.Text1[c].text; }
  AppState app;
  testing::FakePlatform platform;
};

// A slot that holds no sample shows an empty box, never a 0 that reads as a measurement: a
// channel with fewer samples, a channel with none (0 and 7 never get any), the time channel.
TEST_F(ShowRecordTest, ShowsSlotROfEverySeriesAndEmptyBoxesWhereThereIsNone) {
  Append(3, 9.1, "2026-11-28 09:14:01");
  Append(3, 9.345, "2026-11-28 09:14:02");
  Append(47, 0);
  Append(46, 0);
  app.form.Text1[58].text = "ON";  // a status box, left alone
  Show_Record(app, platform, 1);
  EXPECT_EQ(Box(58), "ON");
  EXPECT_EQ(Box(3), "9.10");
  EXPECT_EQ(Box(47), "0");  // a sample that is 0 still shows
  EXPECT_EQ(Box(46), "0 -> 1970-01-01");
  for (const int i : {0, 7, 8}) EXPECT_EQ(Box(i), "") << i;
  Show_Record(app, platform, 2);
  EXPECT_EQ(Box(3), "9.35");
  EXPECT_EQ(app.form.Label2, "2026-11-28 09:14:02");
  for (const int i : {46, 47}) EXPECT_EQ(Box(i), "") << i;
  const FormModel before = app.form;
  for (const int r : {0, -1, 5001, 32767, 3}) {
    Show_Record(app, platform, r);
    EXPECT_EQ(Box(3), r == 3 ? "" : before.Text1[3].text) << r;
    EXPECT_EQ(app.form.Label2, r == 3 ? "" : before.Label2) << r;
  }
}

// Following a pass, every box shows its channel's latest sample whatever the other channels
// hold, and a sample older than a minute is marked; the record display proper clears the mark.
TEST_F(ShowRecordTest, FollowingShowsEveryChannelsLatestSampleAndMarksOldOnes) {
  Append(3, 9.1);
  Append(8, 7.0, "2026-11-28 09:19:00");
  Append(8, 7.5, "2026-11-28 09:19:30");
  Show_Latest(app, platform, *Parse_Time_Label("2026-11-28 09:20:00"));
  EXPECT_EQ(std::pair(Box(3), app.form.Text1[3].stale), std::pair(std::string("9.10"), true));
  EXPECT_EQ(std::pair(Box(8), app.form.Text1[8].stale), std::pair(std::string("7.50"), false));
  Show_Record(app, platform, 1);
  EXPECT_FALSE(app.form.Text1[3].stale);
}

// The selected channel's label shows; where it has no record, the first channel that has one.
TEST_F(ShowRecordTest, Label2FollowsTheSelectedChannel) {
  Append(3, 1, "battery 1");
  for (const char* label : {"b1", "b2", "b3"}) Append(8, 1, label);
  Append(51, 1, "magnetometer 1");
  app.form.Option1[51].on = true;
  Show_Record(app, platform, 1);
  EXPECT_EQ(app.form.Label2, "magnetometer 1");
  Show_Record(app, platform, 3);
  EXPECT_EQ(app.form.Label2, "b3");
}

// A box's value against its channel's limits, set with its text by the record display and the
// latest-sample view; an empty box is never outside.
TEST_F(ShowRecordTest, MarksValuesOutsideTheirLimits) {
  app.limits[3] = {6.0, 8.4};
  app.limits[47] = {0.0, 3.0};
  const struct {
    int channel;
    double first, second;
    LimitCheck at_first, at_second;
  } cases[] = {{3, 5.9, 8.4, LimitCheck::Below, LimitCheck::Within},
               {47, 3.0, 3.4, LimitCheck::Within, LimitCheck::Above}};  // the value, not "3"
  for (const auto& c : cases) {
    Append(c.channel, c.first);
    Append(c.channel, c.second);
  }
  Show_Record(app, platform, 1);
  for (const auto& c : cases) EXPECT_EQ(app.form.Text1[c.channel].limit, c.at_first) << c.channel;
  Show_Latest(app, platform, 0);
  for (const auto& c : cases) EXPECT_EQ(app.form.Text1[c.channel].limit, c.at_second) << c.channel;
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
      {kBoxWhite, LimitCheck::Below, false, {kBoxWarning, kTextWarning}},
      {kBoxHighlight, LimitCheck::Above, false, {kBoxHighlight, kTextWarning}},
      {kBoxWhite, LimitCheck::Within, true, {kBoxWhite, kTextStale}},
      {kBoxWhite, LimitCheck::Above, true, {kBoxWarning, kTextWarning}},
  };
  for (const auto& c : cases) {
    ValueBox box;
    box.back_colour = c.back;
    box.limit = c.limit;
    box.stale = c.stale;
    const BoxPaint paint = Box_Paint(box);
    EXPECT_EQ(std::pair(paint.back, paint.text), std::pair(c.paint.back, c.paint.text))
        << std::hex << c.back << " " << int(c.limit) << c.stale;
  }
}

}  // namespace
}  // namespace orvelt

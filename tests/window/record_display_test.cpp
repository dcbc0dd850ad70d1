#include "window/record_display.hpp"

#include <gtest/gtest.h>

#include <utility>

#include "decode/time_label.hpp"
#include "support/fake_platform.hpp"
#include "window/handlers.hpp"

namespace orvelt {
namespace {

// Two decimals round half away from zero on the decimal text, not on the nearest double; a
// negative value keeps its sign where it rounds to zero.
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

TEST(RecordFormats, SecondsToDateOnlyWithinYearsOneHundredTo9999) {
  EXPECT_EQ(Seconds_To_Date(-1)->year, 1969);
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

// A box's value against its channel's limits, set with its text by the record display and the
// latest-sample view; the value counts, not its text "3"; an empty box is never outside.
TEST_F(ShowRecordTest, MarksValuesOutsideTheirLimits) {
  app.limits[47] = {0.0, 3.0};
  Append(47, 3.0);
  Append(47, 3.4);
  Show_Record(app, platform, 1);
  EXPECT_EQ(app.form.Text1[47].limit, LimitCheck::Within);
  Show_Latest(app, platform, 0);
  EXPECT_EQ(app.form.Text1[47].limit, LimitCheck::Above);
  Show_Record(app, platform, 3);
  EXPECT_EQ(app.form.Text1[47].limit, LimitCheck::Within);
}

// Outside its limits a box turns to the warning colour, its warning text winning over the stale
// grey. (The selected box keeping its highlight is the window's test, through its widgets.)
TEST(Box_Paint, WarningBesideTheSelectionAndAge) {
  ValueBox box;
  box.limit = LimitCheck::Above;
  box.stale = true;
  EXPECT_EQ(Box_Paint(box), (BoxPaint{kBoxWarning, kTextWarning}));
}

}  // namespace
}  // namespace orvelt

#include "window/record_display.hpp"

#include <gtest/gtest.h>

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
      {-0.004, ".", "0.00"},     {2.675, ".", "2.68"}, {9.995, ".", "10.00"},
      {-0.005, ".", "-0.01"},    {0.5, ".", "0.50"},   {2147483647, ".", "2147483647.00"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format_Two_Decimals(c.v, c.sep), c.text) << c.v;
}

TEST(RecordFormats, WholeNumberHalvesToEven) {
  const struct {
    double v;
    const char* text;
  } cases[] = {{41, "41"},   {2.5, "2"},  {3.5, "4"},
               {-2.5, "-2"}, {-0.4, "0"}, {2147483647, "2147483647"}};
  for (const auto& c : cases) EXPECT_EQ(Format_Whole_Number(c.v), c.text) << c.v;
}

TEST(RecordFormats, PlainDecimal) {
  EXPECT_EQ(Format_Plain_Decimal(0, "."), "0");
  EXPECT_EQ(Format_Plain_Decimal(1795857241, "."), "1795857241");
  EXPECT_EQ(Format_Plain_Decimal(1.25, ","), "1,25");
  EXPECT_EQ(Format_Plain_Decimal(0.1 + 0.2, "."), "0.3");
  EXPECT_EQ(Format_Plain_Decimal(-12.5, "."), "-12.5");
}

TEST(RecordFormats, SecondsToDate) {
  const auto epoch = Seconds_To_Date(0);
  ASSERT_TRUE(epoch);
  EXPECT_EQ(epoch->year, 1970);
  EXPECT_EQ(epoch->hour, 0);
  const auto t = Seconds_To_Date(1795857241);
  ASSERT_TRUE(t);
  EXPECT_EQ((std::array{t->year, t->month, t->day, t->hour, t->minute, t->second}),
            (std::array{2026, 11, 28, 9, 14, 1}));
  const auto before = Seconds_To_Date(-1);
  ASSERT_TRUE(before);
  EXPECT_EQ((std::array{before->year, before->month, before->day, before->second}),
            (std::array{1969, 12, 31, 59}));
  EXPECT_FALSE(Seconds_To_Date(253402300800.0));  // year 10000
  EXPECT_FALSE(Seconds_To_Date(-59011459201.0));  // before year 100
  EXPECT_FALSE(Seconds_To_Date(1e300));
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
  Show_Record(app, platform, 1);
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
// can show.
TEST_F(ShowRecordTest, TooltipHasTheWholeValueUnitAndTime) {
  Append(10, 18304.37, "2026-11-28 09:14:01");
  Append(47, 2000000000, "");
  Show_Record(app, platform, 1);
  EXPECT_EQ(app.form.Text1[10].tooltip, "Array Y+ Curr: 18304.37 mA\n2026-11-28 09:14:01");
  EXPECT_EQ(app.form.Text1[47].tooltip, "Packets Up: 2000000000\nno time label");
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

TEST_F(ShowRecordTest, StatusBoxesAreLeftAlone) {
  app.form.Text1[58].text = "ON";
  Show_Record(app, platform, 1);
  EXPECT_EQ(app.form.Text1[58].text, "ON");
}

TEST_F(ShowRecordTest, DateOfChannel46WithTimeAndOutOfRange) {
  Append(46, 1795857241, "");
  Append(46, 1e15, "");
  Show_Record(app, platform, 1);
  EXPECT_EQ(app.form.Text1[46].text, "1795857241 -> 2026-11-28 09:14:01");
  Show_Record(app, platform, 2);  // beyond any date: the box keeps its text
  EXPECT_EQ(app.form.Text1[46].text, "1795857241 -> 2026-11-28 09:14:01");
}

TEST_F(ShowRecordTest, Label2FollowsTheSelectedChannel) {
  Append(3, 1, "battery 1");
  Append(51, 1, "magnetometer 1");
  Append(51, 2, "magnetometer 2");
  app.form.Option1[51].on = true;
  Show_Record(app, platform, 1);
  EXPECT_EQ(app.form.Label2, "magnetometer 1");
  // The selected channel has no record 3: the first channel that has one speaks.
  Append(8, 1, "b1");
  Append(8, 2, "b2");
  Append(8, 3, "b3");
  Show_Record(app, platform, 3);
  EXPECT_EQ(app.form.Label2, "b3");
  app.form.Option1[51].on = false;
  Show_Record(app, platform, 2);
  EXPECT_EQ(app.form.Label2, "b2");  // channel 3 has only one record
}

}  // namespace
}  // namespace orvelt

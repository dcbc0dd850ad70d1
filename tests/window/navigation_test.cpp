#include "window/navigation.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace orvelt {
namespace {

class NavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Battery 0 over midnight-free minutes, a shorter channel beside it.
    const char* labels[] = {"2026-11-28 09:14:01", "2026-11-28 09:15:30", "2026-11-28 10:00:00",
                            "short"};
    for (const char* label : labels) app.telemetry.store.Append_Sample(3, 1.0, label);
    app.telemetry.store.Append_Sample(8, 1.0, "2026-11-28 23:59:59");
  }
  AppState app;
};

// After the store changed the position stays within it; a position inside stays put.
TEST_F(NavigationTest, TheBarSpansTheRecordsLoaded) {
  EXPECT_EQ(Last_Record(AppState().telemetry.store), 1);
  for (int k = 0; k < 96; ++k) app.telemetry.store.Append_Sample(8, 1.0, "");
  for (const auto& [before, after] : {std::pair{0, 1}, {1, 1}, {97, 97}, {98, 97}, {32767, 97}}) {
    app.form.HScroll1 = before;
    EXPECT_EQ(Clamp_Record_Position(app), before != after) << before;
    EXPECT_EQ(app.form.HScroll1, after) << before;
  }
}

TEST_F(NavigationTest, GoToRecordNumberOrTimeOfDay) {
  const struct {
    const char* text;
    int record;  // 0: an error
  } cases[] = {
      {"3", 3},        {" 12 ", 12},       {"32767", 32767}, {"0", 0},        {"32768", 0},
      {"-1", 0},       {"abc", 0},         {"", 0},          {"09:14", 1},    {"09:14:01", 1},
      {"09:14:02", 2}, {"9:15", 2},        {"09:15:31", 3},  {"10:00:01", 0}, {"24:00", 0},
      {"09:60", 0},    {"09:14:01:00", 0}, {"09", 9},        {"123:00", 0},   {":30", 0},
      {"1", 1},        {"009:14", 0},
  };
  for (const auto& c : cases) {
    const Result<int> target = Parse_Go_To(c.text, app);
    EXPECT_EQ(target.ok() ? target.value() : 0, c.record) << c.text;
  }
}

// Labels that run past midnight, or a selection of passes of two days: a time of day between
// two labels goes to the later one, wherever it lies in the store.
TEST(GoTo, TimeOfDayAcrossMidnightAndDays) {
  using Labels = std::vector<const char*>;
  const Labels midnight = {"2026-11-28 23:59:58", "2026-11-28 23:59:59", "2026-11-29 00:00:00",
                           "2026-11-29 00:00:05"};
  const Labels gap = {"2026-11-28 23:59:58", "2026-11-29 00:00:05"};
  const Labels one = {"2026-11-28 10:00:00"};
  const Labels days = {"2026-11-28 10:00:00", "2026-11-28 10:00:10", "2026-11-29 09:00:00",
                       "2026-11-29 09:00:10"};
  const struct {
    const Labels& labels;
    const char* text;
    int record;  // 0: an error
  } cases[] = {
      {midnight, "00:00:03", 4}, {midnight, "00:00", 3}, {midnight, "23:59:59", 2},
      {gap, "23:59:59", 2},      {gap, "00:00:06", 0},   {days, "09:00:05", 4},
      {days, "10:00:05", 2},     {days, "08:00", 3},     {days, "09:00:11", 0},
      {one, "08:00", 1},
  };
  for (const auto& c : cases) {
    AppState app;
    for (const char* label : c.labels) app.telemetry.store.Append_Sample(3, 1.0, label);
    const Result<int> target = Parse_Go_To(c.text, app);
    EXPECT_EQ(target.ok() ? target.value() : 0, c.record) << c.text << " " << c.labels.size();
  }
}

TEST_F(NavigationTest, TimeOfDayFollowsTheSelectedChannel) {
  app.form.Option1[8].on = true;
  EXPECT_EQ(Parse_Go_To("12:00", app).value(), 1);      // channel 8's only record is at 23:59:59
  EXPECT_FALSE(Parse_Go_To("12:00", AppState()).ok());  // nothing loaded
}

}  // namespace
}  // namespace orvelt

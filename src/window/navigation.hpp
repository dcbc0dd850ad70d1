#pragma once

#include <string>
#include <string_view>

#include "window/app_state.hpp"

namespace orvelt {

// Positions the record scroll bar can take.
inline constexpr int kFirstRecord = 1;
inline constexpr int kLastScrollPosition = 32767;

// The last record that any channel holds (the largest sample count), at least the first one:
// where End goes.
int Last_Record(const TelemetryStore& store);

// Where "Go to..." leads: a record position, or why the text leads nowhere.
struct GoToTarget {
  int record = 0;     // 1..kLastScrollPosition when `error` is empty
  std::string error;  // UTF-8, for the user
};

// Reads what the user typed into "Go to...": a record number ("120"), or a time of day
// ("09:14" or "09:14:30"), which leads to the first record of the label channel (see
// Label_Channel) whose time label shows that time or a later one.
GoToTarget Parse_Go_To(std::string_view text, const AppState& app);

// Where the user stands: "Record 12 of 345" followed by the record's time label when it has
// one; the compact form "12/345" fits beside the scroll bar.
std::string Record_Position_Text(const AppState& app, int r);
std::string Record_Position_Compact(const AppState& app, int r);

}  // namespace orvelt

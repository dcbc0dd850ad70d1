#pragma once

#include <string>
#include <string_view>

#include "base/result.hpp"
#include "window/app_state.hpp"

namespace orvelt {

// Positions the record scroll bar can take: 1 to the records loaded (at least 1). A number
// typed into "Go to..." may be at most kLastScrollPosition.
inline constexpr int kFirstRecord = 1;
inline constexpr int kLastScrollPosition = 32767;

// Records loaded: the largest sample count of any channel, 0 for an empty store.
int Records_Loaded(const TelemetryStore& store);

// The last record that any channel holds, at least the first one: the scroll bar's end, where
// End goes.
int Last_Record(const TelemetryStore& store);

// A page of the scroll bar: a tenth of the records loaded, at least one record.
int Record_Page_Step(const TelemetryStore& store);

// Keeps the record position within 1..Last_Record after the store changed; true when it moved.
bool Clamp_Record_Position(AppState& app);

// Reads what the user typed into "Go to...": a record number ("120"), or a time of day
// ("09:14" or "09:14:30"), which leads to the first record of the label channel (see
// Label_Channel) whose time label shows that time or a later one. Gives the record position
// (1..kLastScrollPosition), or why the text leads nowhere (UTF-8, for the user).
Result<int> Parse_Go_To(std::string_view text, const AppState& app);

// Where the user stands: "Record 12 of 345" followed by the record's time label when it has
// one, or "No records loaded"; the compact form "12/345" ("0/0" for an empty store) fits beside
// the scroll bar.
std::string Record_Position_Text(const AppState& app, int r);
std::string Record_Position_Compact(const AppState& app, int r);

}  // namespace orvelt

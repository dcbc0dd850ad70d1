#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "form/platform.hpp"
#include "window/app_state.hpp"

namespace orvelt {

// The date and time that lie `seconds` after 1970-01-01 00:00:00 (no time-zone shift), or
// nothing when that lies outside the years 100 to 9999 that a date can hold.
std::optional<CivilDateTime> Seconds_To_Date(double seconds);

// "0.00": two decimals, at least one digit before the separator.
std::string Format_Two_Decimals(double v, const std::string& decimal_separator);

// Whole number, halves to the even neighbour.
std::string Format_Whole_Number(double v);

// Plain decimal text: 15 significant digits, no trailing zeros, no thousands separators.
std::string Format_Plain_Decimal(double v, const std::string& decimal_separator);

// Short date, a blank and long time; the time is left out at exactly midnight.
std::string Format_General_Date(const CivilDateTime& t, Platform& platform);

// Tooltip of a value box: caption, the whole value with its unit, and the sample's time label,
// so that a value too wide for its box can always be read in full.
std::string Value_Tooltip(int channel, double v, std::string_view label,
                          const std::string& decimal_separator);

// A sample older than this, while the display follows a live session, is shown greyed.
inline constexpr std::int64_t kStaleAfterSeconds = 60;

// While a live session is followed: every value box shows its channel's latest sample, marked
// stale when its time label lies more than kStaleAfterSeconds before `now_seconds` (UTC seconds
// since 1970); Label2 shows the label of the record the scroll bar stands on.
void Show_Latest(AppState& app, Platform& platform, std::int64_t now_seconds);

// The record display as it stands: the latest samples while a live session is followed
// (AppState::show_latest), record HScroll1 otherwise.
void Show_Current_Record(AppState& app, Platform& platform, std::int64_t now_seconds);

// The channel whose time label stands for record r (Label2): the selected channel when it holds
// record r, else the first channel that does; -1 when none holds it.
int Label_Channel(const AppState& app, int r);

// The time label of record r as Label2 shows it (single-byte characters); empty when no
// channel holds record r.
std::string_view Record_Label(const AppState& app, int r);

}  // namespace orvelt

#include "window/record_display.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "decode/latin1.hpp"
#include "decode/number_text.hpp"
#include "decode/time_label.hpp"
#include "window/handlers.hpp"

namespace orvelt {

namespace {

constexpr double kSecondsPerDay = 86400;
constexpr int kFirstDateYear = 100;
constexpr int kLastDateYear = 9999;

std::string With_Separator(std::string text, const std::string& separator) {
  const auto dot = text.find('.');
  if (dot != std::string::npos) text.replace(dot, 1, separator);
  return text;
}

// Rounds a decimal digit string "ddd.ddd" half away from zero to `decimals` places.
std::string Round_Decimal_Text(const std::string& digits, int decimals) {
  const auto dot = digits.find('.');
  std::string whole = digits.substr(0, dot);
  std::string fraction = dot == std::string::npos ? "" : digits.substr(dot + 1);
  fraction.resize(static_cast<std::size_t>(decimals) + 1, '0');
  const bool round_up = fraction.back() >= '5';
  fraction.pop_back();
  std::string all = whole + fraction;
  if (round_up) {
    int i = static_cast<int>(all.size()) - 1;
    while (i >= 0 && all[static_cast<std::size_t>(i)] == '9')
      all[static_cast<std::size_t>(i--)] = '0';
    if (i < 0) {
      all.insert(all.begin(), '1');
    } else {
      ++all[static_cast<std::size_t>(i)];
    }
  }
  const std::size_t split = all.size() - static_cast<std::size_t>(decimals);
  return all.substr(0, split) + "." + all.substr(split);
}

}  // namespace

std::optional<CivilDateTime> Seconds_To_Date(double seconds) {
  if (!std::isfinite(seconds)) return std::nullopt;
  using namespace std::chrono;
  const double whole = std::nearbyint(seconds);
  // Outside about +-300000 years the day count no longer fits the calendar type; the years
  // a date can hold lie far inside.
  if (std::fabs(whole) > 1e13) return std::nullopt;
  const auto total = static_cast<std::int64_t>(whole);
  const auto day_count = static_cast<std::int64_t>(std::floor(whole / kSecondsPerDay));
  const std::int64_t in_day = total - day_count * 86400;
  const year_month_day ymd{sys_days{days{day_count}}};
  const int year = int(ymd.year());
  if (year < kFirstDateYear || year > kLastDateYear) return std::nullopt;
  return CivilDateTime{year,
                       static_cast<int>(unsigned(ymd.month())),
                       static_cast<int>(unsigned(ymd.day())),
                       static_cast<int>(in_day / 3600),
                       static_cast<int>(in_day / 60 % 60),
                       static_cast<int>(in_day % 60)};
}

std::string Format_Two_Decimals(double v, const std::string& decimal_separator) {
  // Round the value's 15-digit decimal form, not its binary one, so 2.675 shows as 2.68.
  const double magnitude = std::fabs(v);
  const int integer_digits =
      magnitude < 1 ? 1 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
  const int decimals = std::clamp(15 - integer_digits, 3, 17);
  char text[512];
  std::snprintf(text, sizeof text, "%.*f", decimals, magnitude);
  std::string rounded = Round_Decimal_Text(text, 2);
  // A negative value keeps its sign even where it rounds to zero ("-0.00"): a tiny negative
  // current must not read as a tiny positive one.
  if (v < 0) rounded.insert(rounded.begin(), '-');
  return With_Separator(rounded, decimal_separator);
}

std::string Format_Whole_Number(double v) {
  char text[64];
  const double rounded = std::nearbyint(v);  // the default rounding mode sends halves to even
  std::snprintf(text, sizeof text, "%.0f", rounded == 0 ? 0.0 : rounded);
  return text;
}

std::string Format_Plain_Decimal(double v, const std::string& decimal_separator) {
  return With_Separator(Plain_Number(v), decimal_separator);
}

std::string Format_General_Date(const CivilDateTime& t, Platform& platform) {
  std::string text = platform.Format_Short_Date(t);
  if (t.hour != 0 || t.minute != 0 || t.second != 0) {
    text += ' ';
    text += platform.Format_Long_Time(t);
  }
  return text;
}

namespace {

// Puts sample `r` of the box's channel into its value box in the channel's format.
void Fill_Box(AppState& app, Platform& platform, const ChannelInfo& channel, int r,
              const std::string& separator) {
  const TelemetryStore& store = app.telemetry.store;
  const int i = channel.index;
  ValueBox& box = app.form.Text1[static_cast<std::size_t>(i)];
  box.stale = false;
  box.limit = LimitCheck::Within;
  // A slot that holds no sample shows an empty box: a 0.00 there would read as a measurement.
  if (r < 1 || r > store.Count(i)) {
    box.text.clear();
    box.tooltip.clear();
    return;
  }
  const double v = store.Value(i, r);
  box.limit = Check_Limits(app.limits[static_cast<std::size_t>(i)], v);
  switch (channel.format) {
    case ValueFormat::TwoDecimals:
      box.text = Format_Two_Decimals(v, separator);
      break;
    case ValueFormat::WholeNumber:
      box.text = Format_Whole_Number(v);
      break;
    case ValueFormat::SecondsAndDate:
      if (const auto date = Seconds_To_Date(v)) {
        box.text =
            Format_Plain_Decimal(v, separator) + " -> " + Format_General_Date(*date, platform);
      }
      break;
  }
  box.tooltip = Value_Tooltip(i, v, store.Label(i, r), separator);
}

}  // namespace

void Show_Record(AppState& app, Platform& platform, int r) {
  // Every box is its own step: a record outside the store changes nothing at all.
  if (r < 1 || r > kSeriesCapacity) return;
  const std::string separator = platform.Decimal_Separator();
  for (const ChannelInfo& channel : Channel_Table()) Fill_Box(app, platform, channel, r, separator);
  app.form.Label2 = Latin1_To_Utf8(Record_Label(app, r));
}

void Show_Latest(AppState& app, Platform& platform, std::int64_t now_seconds) {
  // Channels fill at different rates (the magnetometer many times faster than the batteries),
  // so record r of the busiest channel would leave most boxes empty during a pass.
  const TelemetryStore& store = app.telemetry.store;
  const std::string separator = platform.Decimal_Separator();
  for (const ChannelInfo& channel : Channel_Table()) {
    const int count = store.Count(channel.index);
    Fill_Box(app, platform, channel, count, separator);
    if (count == 0) continue;
    const auto taken = Parse_Time_Label(store.Label(channel.index, count));
    app.form.Text1[static_cast<std::size_t>(channel.index)].stale =
        taken && now_seconds - *taken > kStaleAfterSeconds;
  }
  app.form.Label2 = Latin1_To_Utf8(Record_Label(app, app.form.HScroll1));
}

void Show_Current_Record(AppState& app, Platform& platform, std::int64_t now_seconds) {
  if (app.show_latest) {
    Show_Latest(app, platform, now_seconds);
  } else {
    Show_Record(app, platform, app.form.HScroll1);
  }
}

std::string Value_Tooltip(int channel, double v, std::string_view label,
                          const std::string& decimal_separator) {
  std::string text(Channel_Caption(channel));
  text += ": ";
  text += Format_Plain_Decimal(v, decimal_separator);
  // Seconds since 1970 name a date, written in tooltips as time labels are, whatever form the
  // box itself shows it in.
  if (const ChannelInfo* info = Channel_Info(channel);
      info != nullptr && info->format == ValueFormat::SecondsAndDate) {
    if (const auto date = Seconds_To_Date(v)) {
      char written[32];
      std::snprintf(written, sizeof written, " (%04d-%02d-%02d %02d:%02d:%02d)", date->year,
                    date->month, date->day, date->hour, date->minute, date->second);
      text += written;
    }
  }
  if (const std::string_view unit = Channel_Unit(channel); !unit.empty()) {
    text += ' ';
    text += unit;
  }
  text += label.empty() ? std::string("\nno time label") : "\n" + Latin1_To_Utf8(label);
  return text;
}

int Label_Channel(const AppState& app, int r) {
  // The selected channel when it has a record r, else the first channel that has one, so that
  // the time shown belongs to a value shown.
  const TelemetryStore& store = app.telemetry.store;
  int source = -1;
  for (int i = 0; i < kChannelCount; ++i) {
    if (app.form.Option1[static_cast<std::size_t>(i)].on && store.Count(i) >= r) source = i;
  }
  for (int i = 0; source < 0 && i < kChannelCount; ++i) {
    if (store.Count(i) >= r) source = i;
  }
  return source;
}

std::string_view Record_Label(const AppState& app, int r) {
  if (r < 1 || r > kSeriesCapacity) return {};
  const int source = Label_Channel(app, r);
  return source < 0 ? std::string_view() : app.telemetry.store.Label(source, r);
}

void HScroll1_Change(AppState& app, Platform& platform) {
  Show_Record(app, platform, app.form.HScroll1);
}

}  // namespace orvelt

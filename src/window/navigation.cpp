#include "window/navigation.hpp"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "base/text_reading.hpp"
#include "decode/latin1.hpp"
#include "window/record_display.hpp"

namespace orvelt {

namespace {

constexpr std::size_t kTimeOfDayStart = 11;  // "YYYY-MM-DD HH:MM:SS"
constexpr std::size_t kTimeOfDayLength = 8;

std::optional<int> Number(std::string_view digits, int max) {
  if (digits.size() > 6) return std::nullopt;
  const auto value = Read_Whole_Number<int>(digits);
  if (!value || *value > max) return std::nullopt;
  return value;
}

// "HH:MM" or "HH:MM:SS" as the "HH:MM:SS" that time labels carry.
std::optional<std::string> Time_Of_Day(std::string_view text) {
  int parts[3] = {0, 0, 0};
  const int limits[3] = {23, 59, 59};
  int count = 0;
  for (bool last = false; !last;) {
    if (count == 3) return std::nullopt;  // more than three parts
    const auto colon = text.find(':');
    const std::string_view piece = text.substr(0, colon);
    if (piece.size() > 2) return std::nullopt;
    const auto value = Number(piece, limits[count]);
    if (!value) return std::nullopt;
    parts[count++] = *value;
    last = colon == std::string_view::npos;
    if (!last) text.remove_prefix(colon + 1);
  }
  if (count < 2) return std::nullopt;
  char out[9];
  std::snprintf(out, sizeof out, "%02d:%02d:%02d", parts[0], parts[1], parts[2]);
  return std::string(out);
}

// The time of day of a time label, empty where it has none.
std::string_view Label_Time_Of_Day(std::string_view label) {
  if (label.size() < kTimeOfDayStart + kTimeOfDayLength) return {};
  return label.substr(kTimeOfDayStart, kTimeOfDayLength);
}

// What the user can go to: "records 1 to 900 are loaded, 09:14:00 to 09:28:59" (the times of the
// channel whose labels a time of day is looked up in), or that nothing is loaded.
std::string Loaded_Range(const AppState& app) {
  const TelemetryStore& store = app.telemetry.store;
  const int channel = Label_Channel(app, kFirstRecord);
  if (channel < 0) return "no records are loaded";
  std::string text = "records 1 to " + std::to_string(Last_Record(store)) + " are loaded";
  std::string_view first, last;
  for (int r = 1; r <= store.Count(channel); ++r) {
    const std::string_view time = Label_Time_Of_Day(store.Label(channel, r));
    if (time.empty()) continue;
    if (first.empty()) first = time;
    last = time;
  }
  if (!first.empty()) {
    text += ", " + Latin1_To_Utf8(first) + " to " + Latin1_To_Utf8(last);
  }
  return text;
}

// Text that is neither form: both forms named, and what there is to go to.
std::string Unreadable_Go_To(const AppState& app) {
  return "Go to takes a record number or a time of day (HH:MM or HH:MM:SS); " + Loaded_Range(app) +
         ".";
}

}  // namespace

int Records_Loaded(const TelemetryStore& store) {
  int records = 0;
  for (int c = 0; c < kChannelCount; ++c) records = std::max<int>(records, store.Count(c));
  return records;
}

int Last_Record(const TelemetryStore& store) {
  return std::max(kFirstRecord, Records_Loaded(store));
}

int Record_Page_Step(const TelemetryStore& store) {
  return std::max(1, Records_Loaded(store) / 10);
}

bool Clamp_Record_Position(AppState& app) {
  const int clamped = std::clamp(app.form.HScroll1, kFirstRecord, Last_Record(app.telemetry.store));
  if (clamped == app.form.HScroll1) return false;
  app.form.HScroll1 = clamped;
  return true;
}

Result<int> Parse_Go_To(std::string_view text, const AppState& app) {
  text = Trim(text);
  if (text.empty()) return Failure{Unreadable_Go_To(app)};
  if (text.find(':') == std::string_view::npos) {
    const auto record = Number(text, kLastScrollPosition);
    if (!record || *record < kFirstRecord) return Failure{Unreadable_Go_To(app)};
    return *record;
  }
  const auto wanted = Time_Of_Day(text);
  if (!wanted) return Failure{Unreadable_Go_To(app)};
  const int channel = Label_Channel(app, kFirstRecord);
  if (channel < 0) return Failure{"No records are loaded."};
  // The first record at the wanted time or the first after it: where the labels pass the time
  // of day, also across midnight, when a capture runs into the next day or a selection holds
  // passes of several days. A time before the first label goes to the first record.
  const TelemetryStore& store = app.telemetry.store;
  std::string_view before, first;
  bool midnight = false;
  for (int r = 1; r <= store.Count(channel); ++r) {
    const std::string_view time = Label_Time_Of_Day(store.Label(channel, r));
    if (time.empty()) continue;
    if (time == *wanted) return r;
    if (!before.empty()) {
      midnight = midnight || time < before;
      const bool passes = before <= time ? before < *wanted && *wanted <= time
                                         : *wanted > before || *wanted <= time;
      if (passes) return r;
    } else {
      first = time;
    }
    before = time;
  }
  if (!first.empty() && !midnight && *wanted < first) {
    for (int r = 1; r <= store.Count(channel); ++r) {
      if (!Label_Time_Of_Day(store.Label(channel, r)).empty()) return r;
    }
  }
  return Failure{"No record at " + *wanted + " or later; " + Loaded_Range(app) + "."};
}

std::string Record_Position_Text(const AppState& app, int r) {
  if (Records_Loaded(app.telemetry.store) == 0) return "No records loaded";
  std::string text =
      "Record " + std::to_string(r) + " of " + std::to_string(Last_Record(app.telemetry.store));
  if (const std::string_view label = Record_Label(app, r); !label.empty()) {
    text += ", " + Latin1_To_Utf8(label);
  }
  return text;
}

std::string Record_Position_Compact(const AppState& app, int r) {
  if (Records_Loaded(app.telemetry.store) == 0) return "0/0";
  return std::to_string(r) + "/" + std::to_string(Last_Record(app.telemetry.store));
}

}  // namespace orvelt

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/channel_limits.hpp"
#include "decode/telemetry_state.hpp"
#include "form/channel_table.hpp"
#include "form/chart_model.hpp"

namespace orvelt {

// Background colours of value boxes, 0x00BBGGRR as the window stores them.
inline constexpr std::uint32_t kBoxWhite = 0xFFFFFF;
inline constexpr std::uint32_t kBoxHighlight = 0xC0FFFF;
// A value outside its channel's limits: a light red box, or dark red text in the selected box,
// whose highlight keeps its colour so that the selection stays visible.
inline constexpr std::uint32_t kBoxWarning = 0xC8C8FF;
inline constexpr std::uint32_t kTextWarning = 0x0000B4;
inline constexpr std::uint32_t kTextNormal = 0x000000;
inline constexpr std::uint32_t kTextStale = 0xA4A0A0;

struct ValueBox {
  bool exists = false;
  std::string text;     // UTF-8
  std::string tooltip;  // UTF-8: the whole value, its unit and time label; empty for no sample
  std::uint32_t back_colour = kBoxWhite;
  bool written = false;  // set once something has written the box since start-up
  bool stale = false;    // an old sample shown while following a live session: drawn greyed
  // Where the value shown lies against its channel's limits; within for an empty box.
  LimitCheck limit = LimitCheck::Within;
};

// The colours a value box is drawn in, 0x00BBGGRR.
struct BoxPaint {
  std::uint32_t back = kBoxWhite;
  std::uint32_t text = kTextNormal;
  bool operator==(const BoxPaint&) const = default;
};

// How `box` is drawn: its selection colour, a value outside its limits in the warning colour
// (the selected box in its highlight with warning text), an old sample greyed.
BoxPaint Box_Paint(const ValueBox& box);

struct Selector {
  bool exists = false;
  std::string caption;  // UTF-8
  bool on = false;
};

// The control at `index` of a control array, or nothing where the window has none.
template <typename Controls>
auto Existing_Control(Controls& controls, int index) -> decltype(&controls[0]) {
  if (index < 0 || static_cast<std::size_t>(index) >= controls.size()) return nullptr;
  auto& control = controls[static_cast<std::size_t>(index)];
  return control.exists ? &control : nullptr;
}

// Plain data mirroring the controls of the main window that the logic reads and writes.
// Indexes without a control have `exists == false`, so walks over 0..53 skip them as the
// window does. The front-end renders this model; tests and the dump tool use it directly.
struct FormModel {
  FormModel();

  // The control at an index, or nothing where the window has none (walks skip those).
  ValueBox* Value_Box(int index) { return Existing_Control(Text1, index); }
  const ValueBox* Value_Box(int index) const { return Existing_Control(Text1, index); }
  Selector* Selector_At(int index) { return Existing_Control(Option1, index); }
  const Selector* Selector_At(int index) const { return Existing_Control(Option1, index); }

  // Brings the controls that show decoded facts up to date: the switch status boxes 58..65 and
  // Label8, which shows List2's count once a frame has been decoded to its end.
  void Take_Decoded_Facts(const TelemetryState& state);

  // Bytes at the end of Label3 that must stay visible: the summary while Label3 still shows it.
  std::size_t Label3_Kept_Tail() const;

  // Value boxes 0..53: each shows one channel's value of the record shown; 58..65: switch states.
  std::array<ValueBox, kControlIndexCount> Text1;
  // Channel selectors by the value boxes: a click charts the channel, Shift/right-click its group.
  std::array<Selector, kChannelCount> Option1;
  std::string Label2;  // the time label of the record shown, above the message list
  // The status line under the chart: file being read, load summary, saved screenshot, live link.
  std::string Label3;
  // What the status line's tooltip adds to Label3 (load report, live link), written with Label3.
  std::string Label3_details;
  // The load summary that ends Label3: a narrow status line shortens the path, never the summary.
  std::string Label3_summary;
  // Hidden counter: "Label8" until a frame has been decoded, then List2's count.
  std::string Label8 = "Label8";
  // List1 (received messages) and the hex log `Debug` are drawn straight from the decoded
  // facts (TelemetryState::messages and frame_log): copying them here would only double them.
  std::vector<std::string> List2;  // hidden list, never filled; its count goes to Label8
  std::vector<std::string> List3;  // hidden: files of the last confirmed selection, in load order
  int HScroll1 = 1;                // the record scroll bar: record shown, 1..records loaded
  // "B" in the chart frame, bars or lines for every chart: 1 checked (bars), 0 cleared, 2 greyed.
  int Check1 = 0;
  bool Command1_visible = true;  // whether the screenshot button "S" shows (conf.ini SCREENSHOT)
  std::string Frame5;            // caption of the chart's frame: the caption of the channel charted
  ChartModel MSChart2;  // the history chart of the selected channel or group, inside Frame5
};

}  // namespace orvelt

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "charts/chart_model.hpp"
#include "window/channel_table.hpp"
#include "window/hex_log.hpp"

namespace orvelt {

// Background colours of value boxes, 0x00BBGGRR as the window stores them.
inline constexpr std::uint32_t kBoxWhite = 0xFFFFFF;
inline constexpr std::uint32_t kBoxHighlight = 0xC0FFFF;

struct ValueBox {
  bool exists = false;
  std::string text;  // UTF-8
  std::uint32_t back_colour = kBoxWhite;
  bool written = false;  // set once something has written the box since start-up
};

struct Selector {
  bool exists = false;
  std::string caption;  // UTF-8
  bool on = false;
};

// Plain data mirroring the controls of the main window that the logic reads and writes.
// Indexes without a control have `exists == false`, so walks over 0..53 skip them as the
// window does. The front-end renders this model; tests and the dump tool use it directly.
struct FormModel {
  FormModel();

  std::array<ValueBox, kControlIndexCount> Text1;  // value boxes 0..53, status boxes 58..65
  std::array<Selector, kChannelCount> Option1;
  std::string Label2;  // time label of the record shown
  std::string Label3;  // status line
  std::string Label8 = "Label8";
  std::vector<std::string> List1;  // received text messages, UTF-8
  std::vector<std::string> List2;  // never filled; its count goes to Label8
  std::vector<std::string> List3;  // files of the last confirmed selection
  HexLog Debug;
  int HScroll1 = 1;  // record position, 1..32767
  int Check1 = 0;    // 0 cleared, 1 checked, 2 greyed
  bool Command1_visible = true;
  std::string Frame5;   // chart frame caption
  ChartModel MSChart2;  // the history chart
};

}  // namespace orvelt

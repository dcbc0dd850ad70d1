#pragma once

#include <array>
#include <string>
#include <string_view>

#include "form/twip_rect.hpp"

namespace orvelt {

// The controls of the information window; Label2 lies inside Frame1. Label6 and Label7 are the
// captions of the web and mail addresses, which this build leaves out.
enum class InfoControl { Label1, Label3, Label8, Frame1, Label2, Label6, Label7, Image2, Label11 };
inline constexpr std::size_t kInfoControlCount = 9;

struct InfoPlacement {
  InfoControl control;
  std::string_view name;
  TwipRect place;
};

inline constexpr int kInfoClientWidth = 8130;  // twips
inline constexpr int kInfoClientHeight = 5730;

inline constexpr std::array<InfoPlacement, kInfoControlCount> kInfoLayout{{
    {InfoControl::Label1, "Label1", {120, 120, 4695, 375}},
    {InfoControl::Label3, "Label3", {120, 600, 3255, 255}},
    {InfoControl::Label8, "Label8", {120, 960, 735, 255}},
    {InfoControl::Frame1, "Frame1", {120, 1320, 3375, 615}},
    {InfoControl::Label2, "Label2", {120, 240, 3135, 255}},
    {InfoControl::Label6, "Label6", {120, 2160, 855, 255}},
    {InfoControl::Label7, "Label7", {120, 2400, 615, 255}},
    {InfoControl::Image2, "Image2", {3480, 120, 4500, 3945}},
    {InfoControl::Label11, "Label11", {120, 4200, 7815, 1335}},
}};

// The satellite picture in Image2, in pixels.
inline constexpr int kInfoPictureWidth = 300;
inline constexpr int kInfoPictureHeight = 263;

inline constexpr double kInfoTitlePointSize = 13.5;
inline constexpr std::string_view kInfoTitleFont = "MS Sans Serif";

// The release date the window's version line names, beside the version the build reports.
inline constexpr std::string_view kInfoReleaseDate = "26 February 2018";

// "Version 2.6    (26 February 2018)": the version, four spaces and the date in parentheses.
std::string Version_Line(std::string_view version, std::string_view release_date);

// The texts of the information window.
struct InfoContent {
  std::string caption;       // window caption
  std::string title;         // Label1
  std::string description;   // Label3: what the program is
  std::string call_sign;     // Label8, bold
  std::string homepage;      // Label6: "Homepage:"
  std::string mail;          // Label7: "e-mail:"
  std::string version_line;  // Label2, set by the window's load step
  std::string disclaimer;    // Label11, set by the window's load step
};

InfoContent Info_Content();

}  // namespace orvelt

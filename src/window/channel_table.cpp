#include "window/channel_table.hpp"

namespace orvelt {

namespace {

using enum Place;
using enum ValueFormat;

constexpr std::array<ChannelInfo, kChannelControlCount> kChannels{{
    {0, "Option1", false, "", Hidden, 0, 0, false, TwoDecimals},
    {3, "Battery 0 Volt", true, "V", Frame1, 1, 1, true, TwoDecimals},
    {7, "Option1", true, "", Hidden, 0, 0, false, TwoDecimals},
    {8, "Battery 1 Volt", true, "V", Frame1, 1, 2, true, TwoDecimals},
    {10, "Array Y+ Curr", true, "mA", Frame1, 2, 2, true, TwoDecimals},
    {13, "Array Y- Curr", true, "mA", Frame1, 3, 2, true, TwoDecimals},
    {16, "Array X- Curr", true, "mA", Frame1, 3, 1, true, TwoDecimals},
    {19, "Array Z+ Curr", true, "mA", Frame1, 2, 3, true, TwoDecimals},
    {21, "Array X+ Curr", true, "mA", Frame1, 2, 1, true, TwoDecimals},
    {27, "Array Z- Curr", true, "mA", Frame1, 3, 3, true, TwoDecimals},
    {28, "Pow Supply Curr", true, "mA", Frame6, 1, 1, true, TwoDecimals},
    {29, "PPT 1+2 Curr", true, "mA", Frame6, 2, 1, true, TwoDecimals},
    {30, "Phone/CAM Curr", true, "mA", Frame6, 3, 1, true, TwoDecimals},
    {31, "Warp Walve Curr", true, "mA", Frame6, 4, 1, true, TwoDecimals},
    {32, "Warp Heater Curr", true, "mA", Frame6, 5, 1, true, TwoDecimals},
    {33, "Digi WI9C Curr", true, "mA", Frame6, 6, 1, true, TwoDecimals},
    {34, "SGR05 Curr", true, "mA", Frame6, 7, 1, true, TwoDecimals},
    {35, "React Wheels Curr", true, "mA", Frame6, 8, 1, true, TwoDecimals},
    {38, "Pow Supply Volt", true, "V", Frame6, 1, 2, true, TwoDecimals},
    {39, "PPT 1+2 Volt", true, "V", Frame6, 2, 2, true, TwoDecimals},
    {40, "Phone/CAM Volt", true, "V", Frame6, 3, 2, true, TwoDecimals},
    {41, "Warp Valve Volt", true, "V", Frame6, 4, 2, true, TwoDecimals},
    {42, "Warp Heater Volt", true, "V", Frame6, 5, 2, true, TwoDecimals},
    {43, "Digi WI9C Volt", true, "V", Frame6, 6, 2, true, TwoDecimals},
    {44, "SGR05 Volt", true, "V", Frame6, 7, 2, true, TwoDecimals},
    {45, "React Wheels Volt", true, "V", Frame6, 8, 2, true, TwoDecimals},
    {46, "time last I\u00b2C msg", false, "", Frame7, 3, 2, true, SecondsAndDate},
    {47, "Packets Up", false, "", Frame7, 1, 1, true, WholeNumber},
    {48, "Packets Down", false, "", Frame7, 2, 1, true, WholeNumber},
    {49, "Pack Up drop", false, "", Frame7, 1, 2, true, WholeNumber},
    {50, "Pack Down drop", false, "", Frame7, 2, 2, true, WholeNumber},
    {51, "Magn X- Axis", true, "\u00b5T", Frame1, 4, 1, true, TwoDecimals},
    {52, "Magn Y- Axis", true, "\u00b5T", Frame1, 4, 2, true, TwoDecimals},
    {53, "Magn Z- Axis", true, "\u00b5T", Frame1, 4, 3, true, TwoDecimals},
}};

constexpr std::array<const ChannelInfo*, kChannelCount> Build_Lookup() {
  std::array<const ChannelInfo*, kChannelCount> lookup{};
  for (const auto& c : kChannels) lookup[static_cast<std::size_t>(c.index)] = &c;
  return lookup;
}

constexpr auto kLookup = Build_Lookup();

}  // namespace

const ChannelInfo* Channel_Info(int index) {
  if (index < 0 || index >= kChannelCount) return nullptr;
  return kLookup[static_cast<std::size_t>(index)];
}

const std::array<ChannelInfo, kChannelControlCount>& Channel_Table() {
  return kChannels;
}

std::string_view Channel_Caption(int index) {
  const ChannelInfo* info = Channel_Info(index);
  return info ? info->caption : std::string_view{};
}

std::string_view Channel_Unit(int index) {
  const ChannelInfo* info = Channel_Info(index);
  return info ? info->unit : std::string_view{};
}

}  // namespace orvelt

#include "decode/channels.hpp"

#include <array>
#include <utility>

namespace orvelt {

namespace {

constexpr std::pair<int, ChannelName> kNames[] = {
    {0, {"Option1", ""}},
    {3, {"Battery 0 Volt", "V"}},
    {7, {"Option1", ""}},
    {8, {"Battery 1 Volt", "V"}},
    {10, {"Array Y+ Curr", "mA"}},
    {13, {"Array Y- Curr", "mA"}},
    {16, {"Array X- Curr", "mA"}},
    {19, {"Array Z+ Curr", "mA"}},
    {21, {"Array X+ Curr", "mA"}},
    {27, {"Array Z- Curr", "mA"}},
    {28, {"Pow Supply Curr", "mA"}},
    {29, {"PPT 1+2 Curr", "mA"}},
    {30, {"Phone/CAM Curr", "mA"}},
    {31, {"Warp Walve Curr", "mA"}},
    {32, {"Warp Heater Curr", "mA"}},
    {33, {"Digi WI9C Curr", "mA"}},
    {34, {"SGR05 Curr", "mA"}},
    {35, {"React Wheels Curr", "mA"}},
    {38, {"Pow Supply Volt", "V"}},
    {39, {"PPT 1+2 Volt", "V"}},
    {40, {"Phone/CAM Volt", "V"}},
    {41, {"Warp Valve Volt", "V"}},
    {42, {"Warp Heater Volt", "V"}},
    {43, {"Digi WI9C Volt", "V"}},
    {44, {"SGR05 Volt", "V"}},
    {45, {"React Wheels Volt", "V"}},
    {46, {"time last I\u00b2C msg", ""}},
    {47, {"Packets Up", ""}},
    {48, {"Packets Down", ""}},
    {49, {"Pack Up drop", ""}},
    {50, {"Pack Down drop", ""}},
    {51, {"Magn X- Axis", "\u00b5T"}},
    {52, {"Magn Y- Axis", "\u00b5T"}},
    {53, {"Magn Z- Axis", "\u00b5T"}},
};

constexpr std::array<ChannelName, kChannelCount> Build_Lookup() {
  std::array<ChannelName, kChannelCount> lookup{};
  for (const auto& [index, name] : kNames) lookup[static_cast<std::size_t>(index)] = name;
  return lookup;
}

constexpr auto kLookup = Build_Lookup();

}  // namespace

ChannelName Channel_Name(int index) {
  if (index < 0 || index >= kChannelCount) return {};
  return kLookup[static_cast<std::size_t>(index)];
}

}  // namespace orvelt

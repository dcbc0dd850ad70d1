#include "form/channel_table.hpp"

namespace orvelt {

namespace {

using enum Place;
using enum ValueFormat;

constexpr std::array<ChannelInfo, kChannelControlCount> kChannels{{
    {0, false, Hidden, 0, 0, false, TwoDecimals},    {3, true, Frame1, 1, 1, true, TwoDecimals},
    {7, true, Hidden, 0, 0, false, TwoDecimals},     {8, true, Frame1, 1, 2, true, TwoDecimals},
    {10, true, Frame1, 2, 2, true, TwoDecimals},     {13, true, Frame1, 3, 2, true, TwoDecimals},
    {16, true, Frame1, 3, 1, true, TwoDecimals},     {19, true, Frame1, 2, 3, true, TwoDecimals},
    {21, true, Frame1, 2, 1, true, TwoDecimals},     {27, true, Frame1, 3, 3, true, TwoDecimals},
    {28, true, Frame6, 1, 1, true, TwoDecimals},     {29, true, Frame6, 2, 1, true, TwoDecimals},
    {30, true, Frame6, 3, 1, true, TwoDecimals},     {31, true, Frame6, 4, 1, true, TwoDecimals},
    {32, true, Frame6, 5, 1, true, TwoDecimals},     {33, true, Frame6, 6, 1, true, TwoDecimals},
    {34, true, Frame6, 7, 1, true, TwoDecimals},     {35, true, Frame6, 8, 1, true, TwoDecimals},
    {38, true, Frame6, 1, 2, true, TwoDecimals},     {39, true, Frame6, 2, 2, true, TwoDecimals},
    {40, true, Frame6, 3, 2, true, TwoDecimals},     {41, true, Frame6, 4, 2, true, TwoDecimals},
    {42, true, Frame6, 5, 2, true, TwoDecimals},     {43, true, Frame6, 6, 2, true, TwoDecimals},
    {44, true, Frame6, 7, 2, true, TwoDecimals},     {45, true, Frame6, 8, 2, true, TwoDecimals},
    {46, false, Frame7, 3, 2, true, SecondsAndDate}, {47, false, Frame7, 1, 1, true, WholeNumber},
    {48, false, Frame7, 2, 1, true, WholeNumber},    {49, false, Frame7, 1, 2, true, WholeNumber},
    {50, false, Frame7, 2, 2, true, WholeNumber},    {51, true, Frame1, 4, 1, true, TwoDecimals},
    {52, true, Frame1, 4, 2, true, TwoDecimals},     {53, true, Frame1, 4, 3, true, TwoDecimals},
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

}  // namespace orvelt

#pragma once

#include <QColor>

#include <cstdint>

#include "form/form_model.hpp"

namespace orvelt {

// A colour as the window stores it, 0x00BBGGRR.
inline QColor Window_Colour(std::uint32_t bbggrr) {
  return QColor(static_cast<int>(bbggrr & 0xFF), static_cast<int>((bbggrr >> 8) & 0xFF),
                static_cast<int>((bbggrr >> 16) & 0xFF));
}

// A value beyond its channel's limits looks the same in every window: the dark red of a
// selected value box's text for lines, points and figures, and the light red of an unselected
// box for what lies behind them.
inline QColor Warning_Colour() {
  return Window_Colour(kTextWarning);
}
inline QColor Warning_Back_Colour() {
  return Window_Colour(kBoxWarning);
}

}  // namespace orvelt

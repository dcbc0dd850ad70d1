#pragma once

namespace orvelt {

// A place in a window's design, in twips (1/1440 inch; 15 twips are one pixel at 96 dpi),
// relative to the control's container.
struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

}  // namespace orvelt

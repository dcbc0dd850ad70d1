#pragma once

#include <QPixmap>
#include <QSize>

class QPainter;

namespace orvelt {

// Draws the satellite of the information window into a 300 x 263 area from (0, 0): the body,
// its solar arrays SA1, SA2 and SA3 and its axes (-Z up towards deep space, +Z down towards
// nadir, +Y orbit normal, +X flight vector). The background is left as it is.
void Draw_Satellite(QPainter& painter);

// The drawing on white, scaled to `size`.
QPixmap Satellite_Picture(QSize size);

}  // namespace orvelt

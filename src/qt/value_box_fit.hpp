#pragma once

#include <QFont>
#include <QString>

class QLineEdit;

namespace orvelt {

// The smallest font a value box shrinks to before it marks a cut: still read at a glance.
inline constexpr double kSmallestBoxPointSize = 7.0;

// Puts `text` into a value box so that it can be read whole: in the box's design font when it
// fits, else in narrower letters of it, then in smaller ones down to kSmallestBoxPointSize, then
// with its letters set closer, and only when even that is too wide, cut with a visible "…" (the
// box's tooltip then holds the whole value).
void Fit_Box_Text(QLineEdit& box, const QString& text, const QFont& design_font);

// Pixels a value box has for its text.
int Box_Text_Width(const QLineEdit& box);

}  // namespace orvelt

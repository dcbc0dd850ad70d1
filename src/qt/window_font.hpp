#pragma once

#include <QFont>
#include <QStringList>

namespace orvelt {

// The size of the design's font: every place of the main window is laid out for it.
inline constexpr double kWindowPointSize = 8.25;

// The families the main window asks for, most wanted first: the design's font, then the fonts of
// the same metrics that a desktop may have, and last the application's default.
QStringList Preferred_Window_Families();

// The main window's regular font: the first of `families` that is installed, at the design's
// size. An empty list means the preferred families.
QFont Window_Font(const QStringList& families);

}  // namespace orvelt

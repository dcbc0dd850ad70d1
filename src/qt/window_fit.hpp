#pragma once

#include <QSize>

class QTableView;
class QWidget;

namespace orvelt {

// Gives a top-level window the size its content wants, as far as the screen allows, and places
// it wholly on the screen: centred on the window it belongs to (its parent's window), or on the
// screen when it has none.
void Place_Whole_On_Screen(QWidget& window, QSize wanted);

// The width a table needs to show every column as it is now without scrolling sideways.
int Table_Content_Width(const QTableView& table);

}  // namespace orvelt

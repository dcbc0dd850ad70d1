#pragma once

class QWidget;

namespace orvelt {

// "Info": opens the one information window, or brings it to the front when it is open. The
// window is not modal and has no owner, so the main window stays usable; `owner` only tells
// where to centre it when it is built. Closing it discards it; the next opening builds it anew.
void MnuInfo_Click(QWidget* owner);

// The information window while it is open, nullptr when it is closed.
QWidget* Info_Window();

}  // namespace orvelt

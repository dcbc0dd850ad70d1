#pragma once

#include <QPointer>
#include <QWidget>

namespace orvelt {

// "Info": opens the information window held in `info_window`, or brings it to the front when it
// is open. The window is not modal and has no owner, so the main window stays usable; `owner`
// only tells where to centre it when it is built. Closing it discards it (the pointer turns
// null); the next opening builds it anew.
void MnuInfo_Click(QPointer<QWidget>& info_window, QWidget* owner);

}  // namespace orvelt

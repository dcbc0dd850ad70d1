#pragma once

class QWidget;

namespace orvelt {

// "Info": opens the one information window, or brings it to the front when it is open.
void MnuInfo_Click(QWidget* owner);

}  // namespace orvelt

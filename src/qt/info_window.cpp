#include "qt/info_window.hpp"

namespace orvelt {

void MnuInfo_Click(QWidget*) {}

}  // namespace orvelt

#include "export/screenshot.hpp"

namespace orvelt {

void Command1_Click(AppState&, Platform&) {}

}  // namespace orvelt

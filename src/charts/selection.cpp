#include "charts/selection.hpp"

namespace orvelt {

void Option1_Click(AppState&, Platform&, int) {}

void Check1_Click(AppState&) {}

}  // namespace orvelt

#pragma once

#include <QStringList>

namespace orvelt::testing {

// The family the window tests measure text in, given to every window they make, so that their
// results do not depend on which other fonts a machine happens to have. Every machine that
// builds the window has it.
inline QStringList Test_Font_Families() {
  return {QStringLiteral("DejaVu Sans")};
}

}  // namespace orvelt::testing

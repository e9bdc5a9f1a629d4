#pragma once

#include <string>

class QWidget;

namespace quorvane::test {

// The accessibility tree under `root` as a screen reader walks it: one line for each object that
// is shown without a name, each slider without a value, and each object whose description repeats
// its name or a part of it, opens with it (in any letter case) or ends at a colon; "" when all is
// well.
std::string accessibleFaults(QWidget& root);

} // namespace quorvane::test

#pragma once

#include <string>

class QWidget;

namespace quorvane::test {

// The accessibility tree under `root` as a screen reader walks it: one line for each object that
// is shown without a name, or whose description repeats its name, opens with it or ends at a
// colon; "" when all is well.
std::string accessibleFaults(QWidget& root);

} // namespace quorvane::test

#include "platform/QuickTeardown.h"

#include <fontconfig/fontconfig.h>

namespace quorvane::QuickTeardown {

void prepare() {
    FcConfig* empty = FcConfigCreate();
    if (empty == nullptr) return;
    // The current configuration holds its own reference; a configuration loaded earlier is
    // released here instead of in Qt's teardown.
    FcConfigSetCurrent(empty);
    FcConfigDestroy(empty);
}

} // namespace quorvane::QuickTeardown

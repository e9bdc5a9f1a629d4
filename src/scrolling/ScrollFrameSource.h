#pragma once

#include "platform/Error.h"
#include "platform/Result.h"

#include <QImage>

namespace quorvane {

// Where a scrolling capture takes its frames from: one image of the captured region per call.
class ScrollFrameSource {
public:
    virtual ~ScrollFrameSource() = default;
    virtual Result<QImage, Error> frame() = 0;
};

} // namespace quorvane

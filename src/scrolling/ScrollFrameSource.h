#pragma once

#include "core/Error.h"
#include "core/Result.h"

#include <QImage>
#include <functional>

namespace quorvane {

// Where a scrolling capture takes its frames from: one image of the captured region per call.
class ScrollFrameSource {
public:
    using Completion = std::function<void(Result<QImage, Error>)>;

    virtual ~ScrollFrameSource() = default;
    // Takes one frame. `done` gets the image or the error exactly once, on the GUI thread and
    // never inside the call; results still on their way when the source goes are dropped, so
    // that a capture that ended hears nothing more from it.
    virtual void frame(Completion done) = 0;
};

} // namespace quorvane

#include "scrolling/ScrollingCaptureFailure.h"

namespace quorvane::ScrollingCaptureFailure {

Error make(const QString& message) {
    return Error{QString::fromLatin1(domain), code, message};
}

Error displayUnavailable() {
    return make(QStringLiteral("Display is unavailable. Select an area again."));
}

Error outsideDisplay() {
    return make(QStringLiteral("The selected area is outside the display. Select an area again."));
}

} // namespace quorvane::ScrollingCaptureFailure

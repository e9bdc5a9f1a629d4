#include "scrolling/DragScrollStatus.h"

namespace quorvane::DragScrollStatus {

QString scrolling(AutoScrollDirection direction) {
    return QStringLiteral("Scrolling ") + rawValue(direction) +
           QStringLiteral(" — release to finish, Esc cancels");
}

QString paused(AutoScrollDirection direction) {
    return QStringLiteral("Paused — drag to the ") +
           (direction == AutoScrollDirection::down ? QStringLiteral("bottom") : QStringLiteral("top")) +
           QStringLiteral(" edge to scroll, release to finish");
}

QString directionLocked(AutoScrollDirection direction) {
    return QStringLiteral("Only ") +
           (direction == AutoScrollDirection::down ? QStringLiteral("downward") : QStringLiteral("upward")) +
           QStringLiteral(" scrolling is possible now — release to finish");
}

QString stopped(const AutoScrollStop& stop, bool appended) {
    using Kind = AutoScrollStop::Kind;
    const QString release = QStringLiteral(" — release to finish");
    switch (stop.kind) {
    case Kind::userInput:
    case Kind::escape:
    case Kind::stopped:
        return QStringLiteral("Scrolling stopped") + release;
    case Kind::stitchStopped:
        return stop.detail;
    case Kind::endReached:
        return QStringLiteral("Reached the end") + release;
    case Kind::noEffect:
        return appended ? QStringLiteral("Reached the end") + release
                        : QStringLiteral("Scrolling had no effect here — release to finish, Esc cancels");
    case Kind::targetChanged:
        return QStringLiteral("The window under the area changed") + release;
    case Kind::noTarget:
        return QStringLiteral("No window under the area to scroll") + release;
    case Kind::permissionRevoked:
        return QStringLiteral("Accessibility access was turned off") + release;
    case Kind::injectionFailed:
        return QStringLiteral("Could not send a scroll event") + release;
    case Kind::contentReversed:
        return QStringLiteral("The content moved the other way") + release;
    case Kind::stepLimit:
        return QStringLiteral("Step limit reached") + release;
    }
    return {};
}

} // namespace quorvane::DragScrollStatus

#include "scrolling/AutoScrollStop.h"

namespace quorvane {

QString AutoScrollStop::message() const {
    const QString manual = QStringLiteral(" — scroll manually or press Finish");
    switch (kind) {
    case Kind::userInput:
        return QStringLiteral("Auto scroll stopped: ") + detail + manual;
    case Kind::stitchStopped:
        return detail;
    case Kind::endReached:
        return QStringLiteral("Reached the end of the content");
    case Kind::noEffect:
        return QStringLiteral("Auto scroll found nothing new (app ignores it, or at the end)") + manual;
    case Kind::escape:
        return QStringLiteral("Auto scroll stopped (Escape)") + manual;
    case Kind::stopped:
        return QStringLiteral("Auto scroll stopped") + manual;
    case Kind::targetChanged:
        return QStringLiteral("The window under the area changed") + manual;
    case Kind::noTarget:
        return QStringLiteral("No window under the area to scroll") + manual;
    case Kind::permissionRevoked:
        return QStringLiteral("Accessibility access was turned off") + manual;
    case Kind::injectionFailed:
        return QStringLiteral("Could not send a scroll event") + manual;
    case Kind::contentReversed:
        return QStringLiteral("The content moved the other way") + manual;
    case Kind::stepLimit:
        return QStringLiteral("Auto scroll step limit reached") + manual;
    }
    return {};
}

QString AutoScrollStop::name() const {
    static const char* const names[] = {"userInput",       "stitchStopped",   "endReached",
                                        "noEffect",        "escape",          "stopped",
                                        "targetChanged",   "noTarget",        "permissionRevoked",
                                        "injectionFailed", "contentReversed", "stepLimit"};
    return QString::fromLatin1(names[static_cast<int>(kind)]);
}

} // namespace quorvane

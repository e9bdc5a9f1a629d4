#include "scrolling/ScrollHUDText.h"

namespace quorvane::ScrollHUDText {

QString title(const ScrollHUDModel& model) {
    const auto direction = model.autoDirection();
    if (model.dragMode()) {
        if (!direction) return QStringLiteral("Scrolling Capture");
        return *direction == AutoScrollDirection::down ? QStringLiteral("Scrolling down")
                                                       : QStringLiteral("Scrolling up");
    }
    if (direction)
        return *direction == AutoScrollDirection::down ? QStringLiteral("Scrolling down automatically")
                                                       : QStringLiteral("Scrolling up automatically");
    return model.orientation() == AutoScrollDirection::up ? QStringLiteral("Scroll the area up slowly")
                                                          : QStringLiteral("Scroll the area slowly");
}

bool warning(const ScrollHUDModel& model) {
    return model.attention() || model.status().startsWith(QLatin1String("Low confidence")) ||
           model.status().startsWith(QLatin1String("Limit"));
}

QString counts(int frames, int height) {
    return QString::number(frames) + (frames == 1 ? QStringLiteral(" frame") : QStringLiteral(" frames")) +
           QStringLiteral(" · ") + QString::number(height) + QStringLiteral(" px");
}

QString countsAccessible(int frames, int height) {
    return QString::number(frames) + QStringLiteral(" frames, ") + QString::number(height) +
           QStringLiteral(" pixels tall");
}

QString autoUpHelp(const ScrollHUDModel& model) {
    if (model.canAutoUp() || model.orientation() == AutoScrollDirection::up)
        return QStringLiteral("Scroll up automatically (needs Accessibility)");
    return QStringLiteral("Available before anything is stitched downward");
}

QSize panelSize(const ScrollHUDModel& model) {
    if (model.dragMode()) return {320, 92};
    return model.dragHint() ? QSize(440, 158) : QSize(440, 140);
}

QString dragHintText() {
    return QStringLiteral("Tip: with Accessibility allowed, drag the selection to the screen edge to scroll");
}

} // namespace quorvane::ScrollHUDText

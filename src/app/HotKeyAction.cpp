#include "app/HotKeyAction.h"

namespace quorvane {
namespace {

struct Names {
    const char* raw;
    const char* label;
};

constexpr std::array<Names, 5> names = {{
    {"captureArea", "Capture Area"},
    {"captureScreen", "Capture Screen"},
    {"repeatArea", "Repeat Area"},
    {"recognizeArea", "Recognize Text in Area"},
    {"scrollingCapture", "Scrolling Capture"},
}};

} // namespace

QString rawValue(HotKeyAction action) {
    return QString::fromLatin1(names[position(action)].raw);
}

std::optional<HotKeyAction> hotKeyAction(const QString& value) {
    for (HotKeyAction action : allHotKeyActions)
        if (value == QLatin1String(names[position(action)].raw)) return action;
    return std::nullopt;
}

QString label(HotKeyAction action) {
    return QString::fromLatin1(names[position(action)].label);
}

} // namespace quorvane

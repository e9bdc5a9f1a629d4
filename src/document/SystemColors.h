#pragma once

#include <QColor>

// The named desktop colours the editor uses, as fixed sRGB values: the same on every desktop and
// every thread, so that a render never depends on the theme it runs under.
namespace quorvane::SystemColors {

inline QColor red() {
    return QColor(255, 59, 48);
}
inline QColor yellow() {
    return QColor(255, 204, 0);
}
inline QColor cyan() {
    return QColor(50, 173, 230);
}
inline QColor accent() {
    return QColor(0, 122, 255);
}

} // namespace quorvane::SystemColors

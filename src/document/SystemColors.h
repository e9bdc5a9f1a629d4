#pragma once

#include <QColor>

// Every colour an annotation is drawn in by default, in one place: the tools' colours, the colour
// palette, the red outline of a refused erase and the selection handles. They are fixed sRGB
// values of our own, the same on every desktop, theme and thread, so that a render never depends
// on where it runs. The chrome's accents (an active tool, the colour well's ring, the text
// editor's border) are not here: they follow the widget's QPalette::Highlight.
namespace quorvane::SystemColors {

inline QColor red() {
    return QColor(255, 59, 48);
}
inline QColor orange() {
    return QColor(255, 149, 0);
}
inline QColor yellow() {
    return QColor(255, 204, 0);
}
inline QColor green() {
    return QColor(40, 205, 65);
}
inline QColor blue() {
    return QColor(0, 122, 255);
}
inline QColor purple() {
    return QColor(175, 82, 222);
}
inline QColor cyan() {
    return QColor(50, 173, 230);
}
inline QColor black() {
    return QColor(0, 0, 0);
}
inline QColor white() {
    return QColor(255, 255, 255);
}

} // namespace quorvane::SystemColors

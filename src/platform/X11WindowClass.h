#pragma once

#include <QByteArray>
#include <QString>

namespace quorvane::X11WindowClass {

// Names longer than this are cut: a window's class comes from another program, and no program
// needs more to be told apart.
inline constexpr int maxNameLength = 128;

// The program a window belongs to, from its WM_CLASS ("instance\0class\0"): the class, else the
// instance; "" when both are missing or empty. Control characters and surrounding spaces go.
QString programName(const QByteArray& wmClass);

} // namespace quorvane::X11WindowClass

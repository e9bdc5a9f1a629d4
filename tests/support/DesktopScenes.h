#pragma once

// Real windows on the X server, arranged as the desktops people capture: terminals full of text,
// a file dialog with a message box, and a photo viewer. The PNG tests and benchmarks grab the
// screen with them shown, so that they measure real screenshots rather than synthetic images.

#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

namespace quorvane::test {

enum class DesktopScene { terminals, dialog, photo };

QString sceneName(DesktopScene scene);

// The scene's windows, shown over a full-screen wallpaper of `screen`'s size and painted once
// the call returns; closed with the result.
std::vector<std::unique_ptr<QWidget>> showScene(DesktopScene scene, QSize screen);

} // namespace quorvane::test

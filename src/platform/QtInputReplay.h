#pragma once

#include <QInputEvent>

class QWindow;

namespace quorvane {

// Hands a key, mouse or wheel event to a window again as the window system would have, at once:
// through Qt's whole path, so that shortcuts, menus, popups, double clicks and the focus act on it
// as they would have when it came. Keys lose their native codes on the way (Qt's entry point takes
// none). GUI thread.
class QtInputReplay {
public:
    static void deliver(QWindow& window, const QInputEvent& event);
};

} // namespace quorvane

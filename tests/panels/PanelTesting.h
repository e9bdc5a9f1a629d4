#pragma once

// A clock for the panels' timers that the test advances by hand, and the services the panels
// are built on.

#include "capture/CaptureDelay.h"
#include "core/AccessibilityOptions.h"
#include "editor_window/SymbolIcons.h"
#include "panels/ThumbnailController.h"
#include "support/CountingBeeper.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <map>

namespace quorvane::test {

// Pending timers by id; firing one runs its wake unless it was cancelled.
class ManualClock {
public:
    CaptureDelay::Sleep sleep() {
        return [this](int milliseconds, std::function<void()> wake) -> std::function<void()> {
            const int id = ++next_;
            pending_[id] = {milliseconds, std::move(wake)};
            return [this, id] { pending_.erase(id); };
        };
    }
    std::size_t pending() const { return pending_.size(); }
    // The delay of the newest pending timer, -1 without one.
    int pendingMilliseconds() const { return pending_.empty() ? -1 : pending_.rbegin()->second.first; }
    // Fires the newest pending timer; false without one.
    bool fire() {
        if (pending_.empty()) return false;
        auto wake = std::move(pending_.rbegin()->second.second);
        pending_.erase(std::prev(pending_.end()));
        wake();
        return true;
    }

private:
    int next_ = 0;
    std::map<int, std::pair<int, std::function<void()>>> pending_;
};

// A thumbnail's actions when the test is not about them: copies start, exports may leave.
inline ThumbnailController::Actions thumbnailActions() {
    return {.copy = [] { return true; }, .mayExport = [](std::optional<ThumbnailAction>) { return true; }};
}

struct PanelServices {
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    CountingBeeper bell;
    AccessibilityOptions accessibility;
    ManualClock clock;
};

inline void sendMouse(QWidget* target, QEvent::Type type, QPointF local,
                      Qt::MouseButton button = Qt::LeftButton, Qt::MouseButtons buttons = Qt::LeftButton,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, local, target->mapToGlobal(local), button, buttons, modifiers);
    QCoreApplication::sendEvent(target, &event);
}

inline void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &event);
}

inline void sendWheel(QWidget* target, QPointF local, QPoint angle, QPoint pixels = {},
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWheelEvent event(local, target->mapToGlobal(local), pixels, angle, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace quorvane::test

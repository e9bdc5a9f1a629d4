#include "app/ScrollingSystem.h"

#include "core/AccessibilityOptions.h"
#include "platform/X11InputConnection.h"
#include "platform/X11InputMonitor.h"
#include "platform/X11PointerTap.h"
#include "platform/X11ScrollInjector.h"
#include "scrolling/SystemDragEventTap.h"
#include "scrolling/SystemDragSelectionOverlay.h"
#include "scrolling/SystemInputMonitor.h"
#include "scrolling/SystemKeyMonitor.h"
#include "scrolling/SystemScrollInjector.h"
#include "scrolling/SystemScrollTargetProbe.h"

#include <QApplication>
#include <QWidget>

namespace quorvane {
namespace {

// Our shown windows: input aimed at them is theirs, and they are never a scroll target.
std::vector<std::uint32_t> ownWindows() {
    std::vector<std::uint32_t> ids;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->testAttribute(Qt::WA_WState_Created))
            ids.push_back(static_cast<std::uint32_t>(window->winId()));
    return ids;
}

class NoInjector final : public ScrollInjecting {
public:
    bool trusted() const override { return false; }
    bool prompted() const override { return prompted_; }
    void requestAccess() override { prompted_ = true; }
    bool post(std::int32_t, const QPointF&) override { return false; }
    std::optional<QPointF> warpPointer(const QPointF&) override { return std::nullopt; }

private:
    bool prompted_ = false;
};

class NoProbe final : public ScrollTargetProbing {
public:
    std::optional<ScrollTarget> target(const QPointF&) override { return std::nullopt; }
};

class NoInputMonitor final : public AutoScrollInputMonitoring {
public:
    bool start(const QPointF&, Handler) override { return false; }
    void stop() override {}
};

class NoKeyMonitor final : public ScrollKeyMonitoring {
public:
    void start(std::function<bool(const ScrollKeyEvent&)>) override {}
    void stop() override {}
};

} // namespace

struct ScrollingSystem::X11Parts {
    std::unique_ptr<X11InputConnection> connection;
    X11ScrollInjector x11Injector{*connection};
    X11InputMonitor runInput{*connection, &ownWindows};
    X11InputMonitor keyInput{*connection, &ownWindows};
    X11PointerTap pointerTap{*connection};
    SystemScrollInjector injector{x11Injector};
    SystemScrollTargetProbe probe{*connection, &ownWindows};
    SystemInputMonitor inputMonitor{runInput};
    SystemKeyMonitor keyMonitor{keyInput};

    explicit X11Parts(std::unique_ptr<X11InputConnection> opened) : connection(std::move(opened)) {}
};

struct ScrollingSystem::InertParts {
    NoInjector injector;
    NoProbe probe;
    NoInputMonitor inputMonitor;
    NoKeyMonitor keyMonitor;
};

ScrollingSystem::ScrollingSystem(const AccessibilityOptions& accessibility) : accessibility_(accessibility) {
    if (auto connection = X11InputConnection::open())
        x11_ = std::make_unique<X11Parts>(std::move(connection));
    else
        inert_ = std::make_unique<InertParts>();
}

ScrollingSystem::~ScrollingSystem() = default;

ScrollInjecting& ScrollingSystem::injector() const {
    return x11_ ? static_cast<ScrollInjecting&>(x11_->injector) : inert_->injector;
}

ScrollTargetProbing& ScrollingSystem::probe() const {
    return x11_ ? static_cast<ScrollTargetProbing&>(x11_->probe) : inert_->probe;
}

AutoScrollInputMonitoring& ScrollingSystem::inputMonitor() const {
    return x11_ ? static_cast<AutoScrollInputMonitoring&>(x11_->inputMonitor) : inert_->inputMonitor;
}

ScrollKeyMonitoring& ScrollingSystem::keyMonitor() const {
    return x11_ ? static_cast<ScrollKeyMonitoring&>(x11_->keyMonitor) : inert_->keyMonitor;
}

std::unique_ptr<DragEventTapping> ScrollingSystem::makeDragTap() const {
    if (!x11_) return nullptr;
    return std::make_unique<SystemDragEventTap>(x11_->pointerTap);
}

std::unique_ptr<DragSelectionPresenting> ScrollingSystem::makeDragPresenter() const {
    if (!x11_) return nullptr;
    return std::make_unique<SystemDragSelectionOverlay>(
        x11_->connection.get(), [&options = accessibility_] { return options.increaseContrast(); });
}

bool ScrollingSystem::buttonDown() const {
    if (!x11_) return false;
    const auto pointer = x11_->connection->queryPointer();
    // Button 1's bit in the core state.
    return pointer && (pointer->buttons & 0x100) != 0;
}

SystemScrollInjector* ScrollingSystem::systemInjector() const {
    return x11_ ? &x11_->injector : nullptr;
}

} // namespace quorvane

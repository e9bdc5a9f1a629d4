#include "platform/X11ScrollInjector.h"

#include "platform/X11InputConnection.h"
#include "platform/X11StepPointer.h"

#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace quorvane {

bool X11ScrollInjector::available() const {
    return !connection_.broken() && connection_.hasXTest() && connection_.hasXInput2();
}

void X11ScrollInjector::click(int clicks) {
    xcb_connection_t* c = connection_.xcb();
    const std::uint8_t button = clicks > 0 ? 4 : 5;
    const int count = std::abs(clicks);
    connection_.notePostedClicks(count);
    for (int i = 0; i < count; ++i) {
        xcb_test_fake_input(c, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(c, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
}

bool X11ScrollInjector::post(int clicks, QPoint at) {
    if (!available() || clicks == 0) return false;
    if (!connection_.pointerGrabbed()) {
        stepPointer_.reset();
        click(clicks);
        connection_.sync();
        return !connection_.broken();
    }
    // The drag tap holds the user's pointer: a pointer of our own clicks for it. It stays while
    // steps follow each other: clients learn about a new pointer by asking the server, and one
    // removed at once would be gone by the time they ask, its clicks dropped as a stranger's.
    if (!stepPointer_) stepPointer_ = X11StepPointer::create();
    if (!stepPointer_) return false;
    idle_.start();
    return stepPointer_->click(clicks, at);
}

X11ScrollInjector::X11ScrollInjector(X11InputConnection& connection) : connection_(connection) {
    idle_.setSingleShot(true);
    idle_.setInterval(1000);
    QObject::connect(&idle_, &QTimer::timeout, &idle_, [this] { stepPointer_.reset(); });
}

X11ScrollInjector::~X11ScrollInjector() = default;

bool X11ScrollInjector::warpPointer(QPoint to) {
    if (connection_.broken()) return false;
    xcb_warp_pointer(connection_.xcb(), XCB_NONE, connection_.root(), 0, 0, 0, 0,
                     static_cast<std::int16_t>(to.x()), static_cast<std::int16_t>(to.y()));
    connection_.sync();
    return !connection_.broken();
}

std::optional<QPoint> X11ScrollInjector::pointerPosition() const {
    const auto pointer = connection_.queryPointer();
    if (!pointer) return std::nullopt;
    return pointer->position;
}

} // namespace quorvane

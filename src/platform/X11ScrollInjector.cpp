#include "platform/X11ScrollInjector.h"

#include "platform/X11CaptureReply.h"
#include "platform/X11InputConnection.h"

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
    xcb_connection_t* c = connection_.xcb();
    const auto& grab = connection_.pointerGrab();
    if (!grab) {
        click(clicks);
        connection_.sync();
        return !connection_.broken();
    }
    const auto pointer = connection_.queryPointer();
    if (!pointer) return false;
    // XTest input is handled at once, in request order, so between our ungrab and re-grab only our
    // own clicks are delivered; the server grab keeps other clients from grabbing in between.
    xcb_grab_server(c);
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_warp_pointer(c, XCB_NONE, connection_.root(), 0, 0, 0, 0, static_cast<std::int16_t>(at.x()),
                     static_cast<std::int16_t>(at.y()));
    click(clicks);
    xcb_warp_pointer(c, XCB_NONE, connection_.root(), 0, 0, 0, 0,
                     static_cast<std::int16_t>(pointer->position.x()),
                     static_cast<std::int16_t>(pointer->position.y()));
    const auto cookie = xcb_grab_pointer(c, 0, connection_.root(), grab->eventMask, XCB_GRAB_MODE_ASYNC,
                                         XCB_GRAB_MODE_ASYNC, XCB_NONE, grab->cursor, XCB_CURRENT_TIME);
    xcb_ungrab_server(c);
    X11Reply<xcb_grab_pointer_reply_t> reply(xcb_grab_pointer_reply(c, cookie, nullptr));
    if (!reply || reply->status != XCB_GRAB_STATUS_SUCCESS) {
        connection_.setPointerGrab(std::nullopt);
        return false;
    }
    return true;
}

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

#include "platform/X11PointerGrab.h"

#include "platform/QtX11Connection.h"
#include "platform/X11CaptureReply.h"

#include <QWindow>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace quorvane {

bool confirmPointerGrab(QWindow* window) {
    xcb_connection_t* c = qtX11Connection();
    if (c == nullptr) return true;
    if (window == nullptr) return false;
    constexpr xcb_input_device_id_t corePointer = 2;
    X11Reply<xcb_input_xi_get_client_pointer_reply_t> client(
        xcb_input_xi_get_client_pointer_reply(c, xcb_input_xi_get_client_pointer(c, XCB_NONE), nullptr));
    const xcb_input_device_id_t pointer = client && client->set ? client->deviceid : corePointer;
    // The events Qt's own grab asks for, so that nothing changes for the window when it holds it.
    const std::uint32_t mask = XCB_INPUT_XI_EVENT_MASK_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_BUTTON_RELEASE |
                               XCB_INPUT_XI_EVENT_MASK_MOTION | XCB_INPUT_XI_EVENT_MASK_ENTER |
                               XCB_INPUT_XI_EVENT_MASK_LEAVE | XCB_INPUT_XI_EVENT_MASK_TOUCH_BEGIN |
                               XCB_INPUT_XI_EVENT_MASK_TOUCH_UPDATE | XCB_INPUT_XI_EVENT_MASK_TOUCH_END;
    X11Reply<xcb_input_xi_grab_device_reply_t> reply(xcb_input_xi_grab_device_reply(
        c,
        xcb_input_xi_grab_device(c, static_cast<xcb_window_t>(window->winId()), XCB_CURRENT_TIME, XCB_CURSOR_NONE,
                                 pointer, XCB_INPUT_GRAB_MODE_22_ASYNC, XCB_INPUT_GRAB_MODE_22_ASYNC, 0, 1, &mask),
        nullptr));
    return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
}

} // namespace quorvane

#include "platform/QtX11Connection.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quorvane {

xcb_connection_t* qtX11Connection() {
    auto* application = qGuiApp;
    if (application == nullptr) return nullptr;
    auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

void syncQtX11Connection() {
    // A reply comes after everything sent before its request.
    if (xcb_connection_t* connection = qtX11Connection())
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace quorvane

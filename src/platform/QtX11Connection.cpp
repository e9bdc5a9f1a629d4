#include "platform/QtX11Connection.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

namespace quorvane {

xcb_connection_t* qtX11Connection() {
    auto* application = qGuiApp;
    if (application == nullptr) return nullptr;
    auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

} // namespace quorvane

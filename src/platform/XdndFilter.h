#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <array>
#include <cstdint>

namespace quorvane {

// Keeps other programs' drag messages (XDND) away from Qt: our windows take drops through the drop
// target's proxy (X11DropTarget), so a drag message on Qt's connection comes from a program that
// ignored the proxy, and Qt's drop code, never made for hostile senders, would follow it. Each is
// left out at a glance. A drag target's answers go on to Qt unless sent to one of Qt's windows:
// only our own drags out hear answers, on a window of Qt's that is none of those.
// Filters from its making to its end, on Qt's X connection; without one, nothing.
class XdndFilter final : private QAbstractNativeEventFilter {
public:
    XdndFilter();
    ~XdndFilter() override;
    XdndFilter(const XdndFilter&) = delete;
    XdndFilter& operator=(const XdndFilter&) = delete;

private:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

    bool installed_ = false;
    // Ends the installing still to come with the filter.
    QObject installing_;
    // XdndEnter, XdndPosition, XdndLeave, XdndDrop.
    std::array<std::uint32_t, 4> drags_{};
    // XdndStatus, XdndFinished.
    std::array<std::uint32_t, 2> answers_{};
};

} // namespace quorvane

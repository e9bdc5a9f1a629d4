#pragma once

// Whether a compositing manager blends translucent windows with what lies below them, and when
// that changes. Without one the X server shows a translucent window's transparent pixels black.

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <cstdint>

namespace quorvane {

class X11CompositorWatch : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit X11CompositorWatch(QObject* parent = nullptr);

    // A compositing manager owns the screen's _NET_WM_CM_S selection. Off X11 (off-screen tests,
    // other platforms) the platform blends translucent windows itself: true.
    bool running() const { return running_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    void runningChanged(bool running);

private:
    bool ownerPresent() const;

    std::uint32_t selection_ = 0;
    std::uint8_t selectionNotify_ = 0;
    bool running_ = true;
};

} // namespace quorvane

#include "capture/CaptureDelay.h"

#include "platform/BootClockTimer.h"

#include <QPointer>

namespace quorvane::CaptureDelay {

Sleep timerSleep() {
    return [](int milliseconds, std::function<void()> wake) -> std::function<void()> {
        // The clock keeps counting while the computer is suspended: a countdown that a suspend
        // interrupted ends on waking, as its seconds have passed.
        QPointer<BootClockTimer> timer = new BootClockTimer;
        QObject::connect(timer, &BootClockTimer::timeout, timer, [timer, wake = std::move(wake)] {
            timer->deleteLater();
            wake();
        });
        timer->start(std::chrono::milliseconds(milliseconds));
        return [timer] {
            if (timer) {
                timer->stop();
                timer->deleteLater();
            }
        };
    };
}

} // namespace quorvane::CaptureDelay

#include "capture/CaptureDelay.h"

#include <QPointer>
#include <QTimer>

namespace quorvane::CaptureDelay {

int seconds(std::optional<int> oneShot, int standing) {
    if (oneShot) return *oneShot >= 0 && *oneShot <= 10 ? *oneShot : 0;
    return standing == 0 || standing == 3 || standing == 5 ? standing : 0;
}

Sleep timerSleep() {
    return [](int milliseconds, std::function<void()> wake) -> std::function<void()> {
        // A QTimer stands still while the computer is suspended, so a countdown interrupted by a
        // suspend resumes where it stopped rather than firing at once; we accept that.
        QPointer<QTimer> timer = new QTimer;
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, wake = std::move(wake)] {
            timer->deleteLater();
            wake();
        });
        timer->start(milliseconds);
        return [timer] {
            if (timer) {
                timer->stop();
                timer->deleteLater();
            }
        };
    };
}

} // namespace quorvane::CaptureDelay

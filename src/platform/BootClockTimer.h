#pragma once

// A one-shot timer on the clock that keeps counting while the computer is suspended
// (CLOCK_BOOTTIME, through a timerfd), so a wait of a few seconds ends when they have passed in
// the world, not in running time. Its expiry arrives on the event loop of its thread. Where the
// system has no such timer it falls back to a QTimer, which stands still while suspended.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

class QSocketNotifier;

namespace quorvane {

class BootClockTimer : public QObject {
    Q_OBJECT

public:
    explicit BootClockTimer(QObject* parent = nullptr);
    ~BootClockTimer() override;

    // Whether it runs on the boot clock rather than the fallback.
    bool onBootClock() const { return descriptor_ >= 0; }
    // Arms the timer for `delay` from now, replacing an earlier start.
    void start(std::chrono::milliseconds delay);
    void stop();

Q_SIGNALS:
    void timeout();

private:
    void expired();

    int descriptor_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer fallback_;
};

} // namespace quorvane

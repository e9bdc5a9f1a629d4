#include "platform/BootClockTimer.h"

#include <QSocketNotifier>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace quorvane {
namespace {

void arm(int descriptor, std::chrono::milliseconds delay) {
    // A zero value would disarm it: the shortest wait is one nanosecond.
    const auto nanoseconds =
        std::max<std::int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(delay).count(), 1);
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
    spec.it_value.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    ::timerfd_settime(descriptor, 0, &spec, nullptr);
}

} // namespace

BootClockTimer::BootClockTimer(QObject* parent) : QObject(parent) {
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
    connect(&fallback_, &QTimer::timeout, this, &BootClockTimer::timeout);
    descriptor_ = ::timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (descriptor_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(descriptor_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &BootClockTimer::expired);
}

BootClockTimer::~BootClockTimer() {
    notifier_.reset();
    if (descriptor_ >= 0) ::close(descriptor_);
}

void BootClockTimer::start(std::chrono::milliseconds delay) {
    if (descriptor_ < 0) return fallback_.start(delay);
    arm(descriptor_, delay);
}

void BootClockTimer::stop() {
    if (descriptor_ < 0) return fallback_.stop();
    itimerspec disarmed{};
    ::timerfd_settime(descriptor_, 0, &disarmed, nullptr);
    // An expiry already counted is dropped with it.
    std::uint64_t expirations = 0;
    [[maybe_unused]] const auto ignored = ::read(descriptor_, &expirations, sizeof expirations);
}

void BootClockTimer::expired() {
    std::uint64_t expirations = 0;
    if (::read(descriptor_, &expirations, sizeof expirations) != sizeof expirations || expirations == 0)
        return;
    Q_EMIT timeout();
}

} // namespace quorvane

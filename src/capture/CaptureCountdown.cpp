#include "capture/CaptureCountdown.h"

#include "capture/CaptureController.h"
#include "capture/CaptureDelay.h"

#include <QString>
#include <memory>
#include <utility>

namespace quorvane {

void CaptureCountdown::waitForDelay(CaptureTask& task, std::function<void()> next) {
    const int seconds = CaptureDelay::seconds(controller_.activeDelay_, controller_.captureDelay_);
    controller_.setCountingDown(seconds > 0);
    if (seconds == 0) {
        if (task.check()) next();
        return;
    }
    step(task, seconds, std::move(next));
}

void CaptureCountdown::step(CaptureTask& task, int remaining, std::function<void()> next) {
    if (task.isCancelled()) {
        controller_.setCountingDown(false);
        task.check();
        return;
    }
    controller_.setStatus(QStringLiteral("Capturing in ") + QString::number(remaining) + QStringLiteral("…"));
    auto stop = std::make_shared<std::function<void()>>();
    CaptureTask* running = &task;
    task.await<bool>(
        [this, stop](CaptureTask::Completion<bool> done) {
            *stop = controller_.sleep(1000, [done] { done(true); });
        },
        [this, running, remaining, next = std::move(next)](bool) mutable {
            if (remaining < 2) {
                controller_.setCountingDown(false);
                return next();
            }
            step(*running, remaining - 1, std::move(next));
        },
        CaptureTask::Wait::aborting([this, stop] {
            if (*stop) (*stop)();
            controller_.setCountingDown(false);
        }));
}

} // namespace quorvane

#include "capture/CaptureTask.h"

namespace quorvane {

std::shared_ptr<CaptureTask> CaptureTask::make(Finish finish) {
    return std::shared_ptr<CaptureTask>(new CaptureTask(std::move(finish)));
}

CaptureTask::CaptureTask(Finish finish) : finish_(std::move(finish)) {
    timeout_.setSingleShot(true);
}

void CaptureTask::cancel() {
    if (cancelled_ || finished_) return;
    cancelled_ = true;
    if (waitID_ == 0) return;
    std::function<void()> abort = std::move(abort_);
    endWait(waitID_);
    const auto keep = shared_from_this();
    if (abort) abort();
    finish(cancellationError());
}

bool CaptureTask::check() {
    if (!cancelled_) return true;
    finish(cancellationError());
    return false;
}

void CaptureTask::finish(std::optional<Error> error) {
    if (finished_) return;
    finished_ = true;
    if (waitID_ != 0) endWait(waitID_);
    // The finish handler usually lets go of the task.
    const auto keep = shared_from_this();
    Finish finish = std::move(finish_);
    finish_ = nullptr;
    if (finish) finish(std::move(error));
}

std::uint64_t CaptureTask::beginWait(Wait wait) {
    waitID_ = ++lastWaitID_;
    abort_ = std::move(wait.abort);
    timeout_.disconnect();
    if (wait.timeoutMs) {
        const std::uint64_t id = waitID_;
        std::weak_ptr<CaptureTask> weak = weak_from_this();
        QObject::connect(&timeout_, &QTimer::timeout, [weak, id, error = std::move(wait.timeoutError)] {
            const auto task = weak.lock();
            if (task && task->endWait(id)) task->finish(error);
        });
        timeout_.start(*wait.timeoutMs);
    }
    return waitID_;
}

bool CaptureTask::endWait(std::uint64_t id) {
    if (id == 0 || id != waitID_) return false;
    waitID_ = 0;
    abort_ = nullptr;
    timeout_.stop();
    return true;
}

} // namespace quorvane

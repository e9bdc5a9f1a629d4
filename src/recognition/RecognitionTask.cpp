#include "recognition/RecognitionTask.h"

namespace quorvane {

bool RecognitionTask::isFinished() const {
    const std::lock_guard lock(mutex_);
    return outcome_.has_value();
}

RecognitionOutcome RecognitionTask::wait() const {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return outcome_.has_value(); });
    return *outcome_;
}

void RecognitionTask::finish(RecognitionOutcome outcome) {
    {
        const std::lock_guard lock(mutex_);
        if (outcome_) return;
        outcome_ = outcome;
    }
    // Outside the lock: the completion may look at the task again.
    if (completion_) completion_(outcome);
    finished_.notify_all();
}

} // namespace quorvane

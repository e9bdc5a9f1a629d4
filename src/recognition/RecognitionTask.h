#pragma once

#include "core/Result.h"
#include "recognition/RecognitionFailure.h"
#include "recognition/RecognitionResult.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

namespace quorvane {

using RecognitionOutcome = Result<RecognitionResult, RecognitionFailure>;

// One running recognition: something to cancel from any thread and an outcome that arrives once.
class RecognitionTask {
public:
    using Completion = std::function<void(const RecognitionOutcome&)>;

    explicit RecognitionTask(Completion completion) : completion_(std::move(completion)) {}

    // Any thread; the outcome is then the cancellation, whatever the engine does meanwhile.
    void cancel() { cancelled_.store(true); }
    bool isCancelled() const { return cancelled_.load(); }
    const std::atomic<bool>& cancelledFlag() const { return cancelled_; }

    bool isFinished() const;
    // Blocks until the outcome is there.
    RecognitionOutcome wait() const;

    // Records the outcome and calls the completion, on the calling thread; later calls are ignored.
    void finish(RecognitionOutcome outcome);

private:
    Completion completion_;
    std::atomic<bool> cancelled_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable finished_;
    std::optional<RecognitionOutcome> outcome_;
};

} // namespace quorvane

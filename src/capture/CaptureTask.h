#pragma once

// One run of a capture body. The body is written as a chain of steps; each asynchronous step
// suspends the task until its answer arrives, and the task's cancellation ends a pending wait at
// once. Late or repeated answers of a wait that already ended are dropped (with whatever they
// carry), so the body resumes exactly once per wait and the task finishes exactly once.

#include "capture/CaptureFailure.h"
#include "core/Error.h"
#include "core/Result.h"

#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane {

class CaptureTask : public std::enable_shared_from_this<CaptureTask> {
public:
    // Receives none when the body ended on its own, else the error (or cancellation) that ended it.
    using Finish = std::function<void(std::optional<Error>)>;
    template<class T>
    using Completion = std::function<void(Result<T, Error>)>;

    // How a wait may end besides its answer.
    struct Wait {
        // Ends whatever is pending when a cancellation ends the wait (a timer, the picker).
        std::function<void()> abort;
        // A wait that has no answer after this many milliseconds ends with `timeoutError`.
        std::optional<int> timeoutMs;
        Error timeoutError;

        static Wait aborting(std::function<void()> abort) {
            return Wait{std::move(abort), std::nullopt, Error{}};
        }
    };

    static std::shared_ptr<CaptureTask> make(Finish finish);
    CaptureTask(const CaptureTask&) = delete;
    CaptureTask& operator=(const CaptureTask&) = delete;

    bool isCancelled() const { return cancelled_; }
    bool isFinished() const { return finished_; }
    bool isWaiting() const { return waitID_ != 0; }

    // Marks the task cancelled; a pending wait ends now and the task finishes as cancelled.
    void cancel();
    // A check point: false, after finishing the task as cancelled, when it was cancelled.
    bool check();
    // Ends the body; only the first call counts.
    void finish(std::optional<Error> error = std::nullopt);

    // Suspends until `start`'s completion answers: `next` gets the value; an error finishes the
    // task. A cancelled task finishes without starting. `start` may answer inside the call.
    template<class T>
    void await(const std::function<void(Completion<T>)>& start, std::function<void(T)> next, Wait wait = {}) {
        if (!check()) return;
        const std::uint64_t id = beginWait(std::move(wait));
        std::weak_ptr<CaptureTask> weak = weak_from_this();
        start([weak, id, next = std::move(next)](Result<T, Error> result) mutable {
            const auto task = weak.lock();
            if (!task || !task->endWait(id)) return;
            if (!result) return task->finish(result.error());
            if (!task->check()) return;
            next(std::move(result).value());
        });
    }

private:
    explicit CaptureTask(Finish finish);
    std::uint64_t beginWait(Wait wait);
    // Whether `id` is the pending wait; it is over afterwards.
    bool endWait(std::uint64_t id);

    Finish finish_;
    bool cancelled_ = false;
    bool finished_ = false;
    std::uint64_t waitID_ = 0;
    std::uint64_t lastWaitID_ = 0;
    std::function<void()> abort_;
    QTimer timeout_;
};

} // namespace quorvane

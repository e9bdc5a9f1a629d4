#pragma once

#include "core/Error.h"
#include "core/Result.h"
#include "core/SerialWorkQueue.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace quorvane {

// The export worker: one thread that renders, encodes and writes exports one at a time, in the
// order they were asked for. Work sees only the snapshot it was given; its outcome comes back to
// the GUI thread, where the count of exports in flight drops before the finish runs and the idle
// handlers run once it reaches 0. GUI thread, apart from the work itself.
class BackgroundExports : public QObject {
    Q_OBJECT

public:
    explicit BackgroundExports(QObject* parent = nullptr);
    // Waits for the running work; work not yet started and outcomes not yet delivered are dropped.
    ~BackgroundExports() override;

    // Exports queued or running.
    int pending() const { return pending_; }

    // Runs `handler` once no export is in flight: at once when none is, else right after the last
    // one's finish.
    void whenIdle(std::function<void()> handler);

    template<class T>
    void run(std::function<Result<T, Error>()> work, std::function<void(Result<T, Error>)> finish) {
        setPending(pending_ + 1);
        queue_->post([this, work = std::move(work), finish = std::move(finish)]() mutable {
            auto outcome = std::make_shared<Result<T, Error>>(work());
            // The queue is emptied before this object goes away, so `this` is alive here; an
            // outcome still posted when it goes is dropped with it.
            QMetaObject::invokeMethod(
                this,
                [this, outcome, finish = std::move(finish)] {
                    setPending(pending_ - 1);
                    finish(std::move(*outcome));
                    runIdleHandlers();
                },
                Qt::QueuedConnection);
        });
    }

Q_SIGNALS:
    void pendingChanged(int pending);

private:
    void setPending(int pending);
    void runIdleHandlers();

    int pending_ = 0;
    std::vector<std::function<void()>> idleHandlers_;
    std::unique_ptr<SerialWorkQueue> queue_;
};

} // namespace quorvane

#include "core/SerialWorkQueue.h"

#include <QThread>
#include <cassert>

namespace quorvane {

SerialWorkQueue::SerialWorkQueue(const QString& name) {
    thread_.reset(QThread::create([this] { run(); }));
    thread_->setObjectName(name);
    thread_->start();
}

SerialWorkQueue::~SerialWorkQueue() {
    // A job that destroyed its own queue would wait for itself.
    assert(!isCurrentThread());
    std::deque<std::function<void()>> discarded;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        discarded.swap(jobs_);
    }
    wake_.notify_one();
    thread_->wait();
}

void SerialWorkQueue::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (closing_) return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

bool SerialWorkQueue::isCurrentThread() const {
    return QThread::currentThread() == thread_.get();
}

void SerialWorkQueue::run() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
            if (closing_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace quorvane

#pragma once

// One worker thread running jobs one at a time, in the order they were posted.

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

namespace quorvane {

class SerialWorkQueue {
public:
    // `name` names the thread (the system keeps its first 15 bytes).
    explicit SerialWorkQueue(const QString& name);
    // Discards the jobs not yet started and waits for the running one.
    ~SerialWorkQueue();
    SerialWorkQueue(const SerialWorkQueue&) = delete;
    SerialWorkQueue& operator=(const SerialWorkQueue&) = delete;

    // Ignored once the queue is shutting down.
    void post(std::function<void()> job);
    bool isCurrentThread() const;

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool closing_ = false;
    std::unique_ptr<QThread> thread_;
};

} // namespace quorvane

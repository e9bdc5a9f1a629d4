#pragma once

// A few worker threads, each with one text engine that it loads on first use and keeps for the
// next task with the same languages. Engines are expensive to load (a model of megabytes), so
// they are reused; each worker holds at most one, so the pool never holds more than its size.

#include "core/Error.h"
#include "core/Result.h"
#include "platform/TextEngine.h"
#include "platform/TextEngineFactory.h"

#include <QStringList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane {

class EnginePool {
public:
    // Runs on a worker with its engine for the task's languages, or the error loading it gave.
    using Work = std::function<void(Result<TextEngine*, Error>)>;

    EnginePool(std::shared_ptr<TextEngineFactory> factory, int workers);
    ~EnginePool();
    EnginePool(const EnginePool&) = delete;
    EnginePool& operator=(const EnginePool&) = delete;

    int size() const { return int(threads_.size()); }
    // Queues `work`; never blocks. Work must not throw.
    void submit(const QStringList& languages, Work work);

private:
    struct Task {
        QStringList languages;
        Work work;
    };
    void runWorker();

    std::shared_ptr<TextEngineFactory> factory_;
    std::mutex mutex_;
    std::condition_variable available_;
    std::deque<Task> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace quorvane

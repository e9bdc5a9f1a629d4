#include "recognition/EnginePool.h"

namespace quorvane {

EnginePool::EnginePool(std::shared_ptr<TextEngineFactory> factory, int workers)
    : factory_(std::move(factory)) {
    threads_.reserve(std::size_t(std::max(1, workers)));
    for (int i = 0; i < std::max(1, workers); ++i)
        threads_.emplace_back([this] { runWorker(); });
}

EnginePool::~EnginePool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    available_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void EnginePool::submit(const QStringList& languages, Work work) {
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back({languages, std::move(work)});
    }
    available_.notify_one();
}

void EnginePool::runWorker() {
    std::unique_ptr<TextEngine> engine;
    QStringList engineLanguages;
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            available_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            // Queued work still runs when stopping: its owners wait for it.
            if (tasks_.empty()) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        if (!engine || engineLanguages != task.languages) {
            engine.reset(); // the old one goes before the new one loads
            auto made = factory_->make(task.languages);
            if (!made) {
                task.work(Failure{made.error()});
                continue;
            }
            engine = std::move(made).value();
            engineLanguages = task.languages;
        }
        task.work(engine.get());
    }
}

} // namespace quorvane

#pragma once

// The text side of one recognition: the prepared image cut into bands the engine can take, large
// bands cut again between their lines, every piece read on the engine pool, and the lines put
// back together in reading order.

#include "core/Error.h"
#include "core/Result.h"
#include "platform/TextEngine.h"
#include "recognition/EnginePool.h"

#include <QImage>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace quorvane {

class TextPass {
public:
    TextPass(EnginePool& pool, QStringList languages, const std::atomic<bool>& cancelled);
    TextPass(const TextPass&) = delete;
    TextPass& operator=(const TextPass&) = delete;
    ~TextPass();

    // Queues the work for `image` (RGBX8888, kept alive until `finish`) and returns.
    void start(const QImage& image);
    // Waits for the work; the lines in the image's pixels, or the first engine error.
    Result<std::vector<TextEngine::Line>, Error> finish();

private:
    using Key = std::pair<int, int>; // band, strip
    void read(const QImage& image, const QRect& area, const QRect& owned, Key key, TextEngine::Layout layout);
    void split(const QImage& image, const QRect& area, const QRect& owned, int band);
    // Runs `work` on a worker with its engine, unless the engine failed to load or the pass was
    // cancelled meanwhile.
    void submit(std::function<void(TextEngine&)> work);
    void fail(const Error& error);
    void done();

    EnginePool& pool_;
    QStringList languages_;
    const std::atomic<bool>& cancelled_;
    std::mutex mutex_;
    std::condition_variable idle_;
    int outstanding_ = 0;
    std::map<Key, std::vector<TextEngine::Line>> pieces_;
    std::optional<Error> error_;
};

} // namespace quorvane

#pragma once

// The text side of one recognition: one layout analysis of the image as given (in bands the
// engine can take; again after highlights over its lines are taken off), its lines cut into
// pieces and put in reading order, and every piece read on the engine pool from the enlarged
// image, each on its own background, without the symbols beside its text. A piece is read the
// same whichever worker reads it and whatever is read beside it, so one worker and many give the
// same text.

#include "core/Error.h"
#include "core/Result.h"
#include "platform/TextEngine.h"
#include "recognition/EnginePool.h"
#include "recognition/PageLayout.h"

#include <QImage>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace quorvane {

class TextPass {
public:
    TextPass(EnginePool& pool, QStringList languages, const std::atomic<bool>& cancelled);
    TextPass(const TextPass&) = delete;
    TextPass& operator=(const TextPass&) = delete;
    ~TextPass();

    // Queues the work and returns. `flat` is the image as given on white, `enlarged` the same
    // drawn `factor` times larger (RGBX8888, both kept alive until `finish`).
    void start(const QImage& flat, const QImage& enlarged, int factor);
    // Waits for the work; the lines in reading order, in pixels of the image as given, or the
    // first engine error.
    Result<std::vector<TextEngine::Line>, Error> finish();

private:
    void layout(TextEngine& engine, const QImage& flat, const QImage& enlarged, int factor);
    void read(TextEngine& engine, const QImage& flat, const QImage& enlarged, int factor,
              const PageLayout::Piece& piece, const std::vector<QRect>& others, std::size_t index);
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
    std::map<std::size_t, std::vector<TextEngine::Line>> pieces_;
    // Done so far, or the first engine error.
    Result<void, Error> read_;
};

} // namespace quorvane

#include "recognition/TextPass.h"

#include "recognition/RecognitionBands.h"

namespace quorvane {

namespace {

// Pieces thinner than this hold no readable text; the engine is not asked.
constexpr int thinnest = 4;
// Below this many pixels a second layout pass costs more than reading in parallel saves.
constexpr long long splitPixels = 1'500'000;

} // namespace

TextPass::TextPass(EnginePool& pool, QStringList languages, const std::atomic<bool>& cancelled)
    : pool_(pool), languages_(std::move(languages)), cancelled_(cancelled) {}

TextPass::~TextPass() {
    // Queued work refers to this pass.
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return outstanding_ == 0; });
}

void TextPass::start(const QImage& image) {
    const auto bands = RecognitionBands::alongLongSide(image.size());
    for (int i = 0; i < int(bands.size()); ++i) {
        const auto& band = bands[std::size_t(i)];
        if (std::min(band.area.width(), band.area.height()) < thinnest) continue;
        if (pool_.size() > 1 && static_cast<long long>(band.area.width()) * band.area.height() >= splitPixels)
            split(image, band.area, band.owned, i);
        else
            read(image, band.area, band.owned, {i, 0});
    }
}

void TextPass::split(const QImage& image, const QRect& area, const QRect& owned, int band) {
    {
        const std::lock_guard lock(mutex_);
        ++outstanding_;
    }
    pool_.submit(languages_, [=, this](Result<TextEngine*, Error> engine) {
        if (!engine) {
            const std::lock_guard lock(mutex_);
            if (!error_) error_ = engine.error();
        } else if (!cancelled_.load()) {
            const auto strips =
                RecognitionBands::betweenLines(area, (*engine)->lineBoxes(image, area), pool_.size());
            for (int s = 0; s < int(strips.size()); ++s)
                read(image, strips[std::size_t(s)], owned, {band, s});
        }
        done();
    });
}

void TextPass::read(const QImage& image, const QRect& area, const QRect& owned, Key key) {
    {
        const std::lock_guard lock(mutex_);
        ++outstanding_;
    }
    pool_.submit(languages_, [=, this](Result<TextEngine*, Error> engine) {
        if (!engine) {
            const std::lock_guard lock(mutex_);
            if (!error_) error_ = engine.error();
        } else if (!cancelled_.load()) {
            auto lines = (*engine)->recognize(image, area, cancelled_);
            const std::lock_guard lock(mutex_);
            if (!lines) {
                if (!error_) error_ = lines.error();
            } else {
                auto& kept = pieces_[key];
                for (auto& line : *lines)
                    // Lines in the overlap of two bands belong to the band that owns their centre.
                    if (owned.contains(line.box.center().toPoint())) kept.push_back(std::move(line));
            }
        }
        done();
    });
}

void TextPass::done() {
    const std::lock_guard lock(mutex_);
    if (--outstanding_ == 0) idle_.notify_all();
}

Result<std::vector<TextEngine::Line>, Error> TextPass::finish() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return outstanding_ == 0; });
    if (error_) return Failure(*error_);
    std::vector<TextEngine::Line> lines;
    for (auto& [key, piece] : pieces_)
        for (auto& line : piece)
            lines.push_back(std::move(line));
    return lines;
}

} // namespace quorvane

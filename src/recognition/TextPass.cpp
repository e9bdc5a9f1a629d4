#include "recognition/TextPass.h"

#include "recognition/RecognitionBands.h"

namespace quorvane {

namespace {

// Pieces thinner than this hold no readable text; the engine is not asked.
constexpr int thinnest = 4;
// Below this many pixels a second layout pass costs more than reading in parallel saves.
constexpr long long splitPixels = 600'000;

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
            read(image, band.area, band.owned, {i, 0}, TextEngine::Layout::page);
    }
}

void TextPass::submit(std::function<void(TextEngine&)> work) {
    {
        const std::lock_guard lock(mutex_);
        ++outstanding_;
    }
    pool_.submit(languages_, [this, work = std::move(work)](Result<TextEngine*, Error> engine) {
        if (!engine) {
            fail(engine.error());
        } else if (!cancelled_.load()) {
            work(**engine);
        }
        done();
    });
}

void TextPass::fail(const Error& error) {
    const std::lock_guard lock(mutex_);
    if (!error_) error_ = error;
}

void TextPass::split(const QImage& image, const QRect& area, const QRect& owned, int band) {
    submit([=, this](TextEngine& engine) {
        // One layout analysis of the whole band keeps its columns and blocks as a single pass
        // would see them; the blocks' lines are then read in pieces of about equal work.
        const auto blocks = engine.blocks(image, area);
        const auto work = [](const TextEngine::Block& block) {
            long long sum = 0;
            for (const QRect& line : block.lines)
                sum += static_cast<long long>(line.width()) * line.height();
            return sum;
        };
        long long total = 0;
        for (const auto& block : blocks)
            total += work(block);
        const long long share = std::max(1LL, total / (2LL * pool_.size()));
        int piece = 0;
        for (const auto& block : blocks) {
            const int count = int(std::min<long long>((work(block) + share - 1) / share,
                                                      static_cast<long long>(block.lines.size())));
            // Layout boxes hug the ink; the engine reads a line better with some paper around it.
            std::vector<int> heights;
            for (const QRect& line : block.lines)
                heights.push_back(line.height());
            std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
            const int pad = std::max(4, heights[heights.size() / 2] / 2);
            const QRect padded = block.box.adjusted(-pad, -pad, pad, pad) & area;
            for (const QRect& strip : RecognitionBands::betweenLines(padded, block.lines, count))
                read(image, strip, owned, {band, piece++}, TextEngine::Layout::block);
        }
    });
}

void TextPass::read(const QImage& image, const QRect& area, const QRect& owned, Key key,
                    TextEngine::Layout layout) {
    submit([=, this](TextEngine& engine) {
        auto lines = engine.recognize(image, area, layout, cancelled_);
        if (!lines) return fail(lines.error());
        const std::lock_guard lock(mutex_);
        auto& kept = pieces_[key];
        for (auto& line : *lines)
            // Lines in the overlap of two bands belong to the band that owns their centre.
            if (owned.contains(line.box.center().toPoint())) kept.push_back(std::move(line));
    });
}

void TextPass::done() {
    const std::lock_guard lock(mutex_);
    if (--outstanding_ == 0) idle_.notify_all();
}

Result<std::vector<TextEngine::Line>, Error> TextPass::finish() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return outstanding_ == 0; });
    if (error_) return Failure{*error_};
    std::vector<TextEngine::Line> lines;
    for (auto& [key, piece] : pieces_)
        for (auto& line : piece)
            lines.push_back(std::move(line));
    return lines;
}

} // namespace quorvane

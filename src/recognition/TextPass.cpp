#include "recognition/TextPass.h"

#include "recognition/LineImage.h"
#include "recognition/MissedText.h"
#include "recognition/RecognitionBands.h"
#include "recognition/SymbolWords.h"
#include "recognition/TextRecognizer.h"
#include "recognition/TintedSpans.h"

namespace quorvane {

namespace {

// Pieces thinner than this hold no readable text; the engine is not asked.
constexpr int thinnest = 4;
// Pages are analysed again at most this many times for highlights found after others went.
constexpr int flatteningRounds = 3;

// An icon or a rule read as text: unsure, and without a run of letters that could be a word.
bool isIcon(const TextEngine::Line& line) {
    if (line.confidence >= 0.7f) return false;
    int run = 0;
    for (const QChar c : line.text) {
        run = c.isLetter() ? run + 1 : 0;
        if (run >= 4) return false;
    }
    return true;
}

} // namespace

TextPass::TextPass(EnginePool& pool, QStringList languages, const std::atomic<bool>& cancelled)
    : pool_(pool), languages_(std::move(languages)), cancelled_(cancelled) {}

TextPass::~TextPass() {
    // Queued work refers to this pass.
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return outstanding_ == 0; });
}

void TextPass::start(const QImage& flat, const QImage& enlarged, int factor) {
    submit([=, this](TextEngine& engine) { layout(engine, flat, enlarged, factor); });
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
    if (read_) read_ = Failure{error};
}

void TextPass::layout(TextEngine& engine, const QImage& given, const QImage& givenEnlarged, int factor) {
    // The layout is analysed on the image as given: enlarged, small pages lay out differently
    // (a sidebar read into the lines beside it), while their text reads better enlarged.
    QImage flat = given, enlarged = givenEnlarged;
    bool tinted = false;
    std::vector<PageLayout::Piece> pieces;
    for (const auto& band : RecognitionBands::alongLongSide(flat.size())) {
        if (std::min(band.area.width(), band.area.height()) < thinnest || cancelled_.load()) continue;
        std::vector<PageLayout::Piece> owned;
        const PageLayout::PageInk ink{
            [&](const QRect& gap, int height) { return LineImage::emptyWidth(flat, gap, height); },
            [&](const QRect& first, const QRect& second) { return LineImage::onDifferentPaper(flat, first, second); }};
        // The lines the analysis found, and the rows of ink it left out.
        const auto analyse = [&] {
            const auto blocks = engine.blocks(flat, band.area);
            auto found = PageLayout::pieces(blocks, ink);
            for (auto& piece : MissedText::find(flat, blocks, found))
                found.push_back(piece);
            return found;
        };
        auto found = analyse();
        // Highlights over the lines are taken off the page, which is then analysed again: the
        // lines they hid may show now, with highlights of their own.
        for (int round = 0; round < flatteningRounds; ++round) {
            std::vector<QRect> lines;
            for (const auto& piece : found)
                lines.push_back(piece.box);
            auto plain = TintedSpans::flattened(flat, lines);
            if (!plain) break;
            flat = std::move(*plain), tinted = true;
            found = analyse();
        }
        for (const auto& piece : PageLayout::joined(std::move(found), ink))
            // Lines in the overlap of two bands belong to the band that owns their centre.
            if (band.owned.contains(piece.box.center())) owned.push_back(piece);
        for (auto& piece : PageLayout::readingOrder(std::move(owned)))
            pieces.push_back(piece);
    }
    if (tinted && factor > 1) {
        auto redrawn = TextRecognizer::upscaled(flat);
        if (!redrawn) return fail(redrawn.error().error());
        enlarged = std::move(*redrawn);
    } else if (tinted) {
        enlarged = flat;
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        // What lies near a piece is kept out of its image.
        const int h = pieces[i].lineHeight;
        const QRect near = pieces[i].box.adjusted(-3 * h, -h, 3 * h, h);
        std::vector<QRect> others;
        for (std::size_t j = 0; j < pieces.size(); ++j)
            if (j != i && pieces[j].box.intersects(near)) others.push_back(pieces[j].box);
        submit([=, this, piece = pieces[i]](TextEngine& worker) {
            read(worker, flat, enlarged, factor, piece, others, i);
        });
    }
}

void TextPass::read(TextEngine& engine, const QImage& flat, const QImage& enlarged, int factor,
                    const PageLayout::Piece& piece, const std::vector<QRect>& others, std::size_t index) {
    const LineImage line(flat, enlarged, factor, piece.box, piece.lineHeight, others);
    auto lines = engine.recognize(line.image(), line.image().rect(), TextEngine::Layout::line, cancelled_);
    if (!lines) return fail(lines.error());
    std::erase_if(*lines, isIcon);
    for (auto& read : *lines)
        SymbolWords::drop(read);
    for (auto& read : *lines) {
        read.box = line.toSource(read.box);
        std::vector<QRectF> boxes;
        for (const auto& word : read.words)
            boxes.push_back(line.toSource(word.box));
        boxes = line.fitted(boxes);
        QRectF box;
        for (std::size_t i = 0; i < boxes.size(); ++i)
            read.words[i].box = boxes[i], box |= boxes[i];
        if (!box.isEmpty()) read.box = box;
    }
    const std::lock_guard lock(mutex_);
    pieces_[index] = std::move(*lines);
}

void TextPass::done() {
    const std::lock_guard lock(mutex_);
    if (--outstanding_ == 0) idle_.notify_all();
}

Result<std::vector<TextEngine::Line>, Error> TextPass::finish() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return outstanding_ == 0; });
    if (!read_) return Failure{read_.error()};
    std::vector<TextEngine::Line> lines;
    for (auto& [index, piece] : pieces_)
        for (auto& line : piece)
            lines.push_back(std::move(line));
    return lines;
}

} // namespace quorvane

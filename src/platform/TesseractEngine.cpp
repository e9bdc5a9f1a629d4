#include "platform/TesseractEngine.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <cmath>

namespace quorvane {

namespace {

std::atomic<int> live{0};

// The engine's layout heuristics (noise sizes, gutters between columns) are in inches: the image
// is read at the resolution it says it has, as the command line reads it from a PNG file (96 dpi
// for a screenshot), and at the 70 dpi the command line assumes when it says nothing credible.
int resolutionOf(const QImage& image) {
    const int dpi = int(std::lround(image.dotsPerMeterY() * 0.0254));
    return dpi >= 70 && dpi <= 2400 ? dpi : 70;
}

QRectF boxOf(const tesseract::PageIterator& it, tesseract::PageIteratorLevel level, const QPoint& offset) {
    int left = 0, top = 0, right = 0, bottom = 0;
    if (!it.BoundingBox(level, &left, &top, &right, &bottom)) return {};
    return QRectF(left + offset.x(), top + offset.y(), right - left, bottom - top);
}

QString takeText(char* text) {
    QString result = QString::fromUtf8(text);
    delete[] text;
    return result;
}

bool cancelRequested(void* flag, int) {
    return static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed);
}

} // namespace

Result<std::unique_ptr<TesseractEngine>, Error> TesseractEngine::load(const QString& folder,
                                                                      const QString& languages) {
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    const QByteArray path = folder.toLocal8Bit(), names = languages.toLatin1();
    if (api->Init(path.constData(), names.constData(), tesseract::OEM_LSTM_ONLY) != 0)
        return Failure{Error{QStringLiteral("Quorvane.OCR"), 6,
                             QStringLiteral("The text recognition engine could not be started.")}};
    api->SetVariable("debug_file", "/dev/null");
    api->SetPageSegMode(tesseract::PSM_AUTO);
    return std::unique_ptr<TesseractEngine>(new TesseractEngine(std::move(api)));
}

TesseractEngine::TesseractEngine(std::unique_ptr<tesseract::TessBaseAPI> api) : api_(std::move(api)) {
    live.fetch_add(1);
}

TesseractEngine::~TesseractEngine() {
    api_->End();
    live.fetch_sub(1);
}

int TesseractEngine::liveCount() {
    return live.load();
}

void TesseractEngine::setImage(const QImage& image, const QRect& area) {
    // Only the area's rows are handed over: the engine copies what it is given.
    const uchar* first = image.constScanLine(area.top()) + std::size_t(area.left()) * 4;
    api_->SetImage(first, area.width(), area.height(), 4, int(image.bytesPerLine()));
    api_->SetSourceResolution(resolutionOf(image));
}

std::vector<TextEngine::Block> TesseractEngine::blocks(const QImage& image, const QRect& area) {
    std::vector<Block> blocks;
    api_->SetPageSegMode(tesseract::PSM_AUTO);
    setImage(image, area);
    std::unique_ptr<tesseract::PageIterator> it(api_->AnalyseLayout());
    if (it) {
        // The dots of i and j and the accents are separate pieces of ink above the line.
        it->SetBoundingBoxComponents(true, true);
        it->Begin();
        bool text = false;
        do {
            if (it->IsAtBeginningOf(tesseract::RIL_BLOCK)) {
                text = PTIsTextType(it->BlockType());
                const QRect box = boxOf(*it, tesseract::RIL_BLOCK, area.topLeft()).toRect();
                if (text) blocks.push_back({box, {}});
                if (PTIsImageType(it->BlockType())) blocks.push_back({box, {}, Block::Kind::picture});
            }
            if (!text) continue;
            if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
                blocks.back().lines.push_back({boxOf(*it, tesseract::RIL_TEXTLINE, area.topLeft()).toRect(), {}});
            if (const QRectF word = boxOf(*it, tesseract::RIL_WORD, area.topLeft()); !word.isEmpty())
                blocks.back().lines.back().words.push_back(word.toRect());
        } while (it->Next(tesseract::RIL_WORD));
    }
    api_->Clear();
    for (Block& block : blocks)
        std::erase_if(block.lines, [](const LineLayout& line) { return line.box.isEmpty() || line.words.empty(); });
    std::erase_if(blocks, [](const Block& block) {
        return block.box.isEmpty() || (block.kind == Block::Kind::text && block.lines.empty());
    });
    return blocks;
}

Result<std::vector<TextEngine::Line>, Error> TesseractEngine::recognize(const QImage& image,
                                                                        const QRect& area, Layout layout,
                                                                        const std::atomic<bool>& cancelled) {
    api_->SetPageSegMode(layout == Layout::page    ? tesseract::PSM_AUTO
                         : layout == Layout::block ? tesseract::PSM_SINGLE_BLOCK
                                                   : tesseract::PSM_SINGLE_LINE);
    // A line comes dark on light: an unsure one is not read a second time inverted.
    api_->SetVariable("tessedit_do_invert", layout == Layout::line ? "0" : "1");
    setImage(image, area);
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &cancelRequested;
    monitor.cancel_this = const_cast<std::atomic<bool>*>(&cancelled);
    const int status = api_->Recognize(&monitor);
    std::vector<Line> lines;
    if (status != 0) {
        api_->Clear();
        if (cancelled.load()) return lines;
        return Failure{
            Error{QStringLiteral("Quorvane.OCR"), 7, QStringLiteral("The text recognition engine failed.")}};
    }
    std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
    if (it && !it->Empty(tesseract::RIL_TEXTLINE)) {
        it->SetBoundingBoxComponents(true, true);
        it->Begin();
        do {
            if (it->Empty(tesseract::RIL_TEXTLINE)) continue;
            Line line;
            line.text = takeText(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            line.confidence = it->Confidence(tesseract::RIL_TEXTLINE) / 100.0f;
            line.box = boxOf(*it, tesseract::RIL_TEXTLINE, area.topLeft());
            do {
                if (it->Empty(tesseract::RIL_WORD)) continue;
                line.words.push_back({takeText(it->GetUTF8Text(tesseract::RIL_WORD)),
                                      boxOf(*it, tesseract::RIL_WORD, area.topLeft()),
                                      it->Confidence(tesseract::RIL_WORD) / 100.0f});
            } while (!it->IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD) &&
                     it->Next(tesseract::RIL_WORD));
            lines.push_back(std::move(line));
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    api_->Clear();
    return lines;
}

} // namespace quorvane

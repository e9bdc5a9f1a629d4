#include "recognition/TextRecognizer.h"

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/LoggedReason.h"
#include "recognition/TextPass.h"

#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace quorvane {

namespace {

constexpr long long maxPixels = 32'000'000;
constexpr int maxAutomaticLanguages = 3;

int defaultWorkers() {
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(cores / 2, 1, 4);
}

QRectF scaledDown(const QRectF& box, int factor) {
    return QRectF(box.x() / factor, box.y() / factor, box.width() / factor, box.height() / factor);
}

// Where each word of the line's text starts, so that a piece of the text finds its box.
struct WordRanges {
    std::vector<std::pair<qsizetype, qsizetype>> ranges;
    std::vector<QRectF> boxes;
};

WordRanges wordRanges(const TextEngine::Line& line) {
    WordRanges result;
    qsizetype cursor = 0;
    for (const auto& word : line.words) {
        const qsizetype at = word.text.isEmpty() ? -1 : line.text.indexOf(word.text, cursor);
        if (at < 0) continue;
        result.ranges.emplace_back(at, word.text.size());
        result.boxes.push_back(word.box);
        cursor = at + word.text.size();
    }
    return result;
}

} // namespace

TextRecognizer::TextRecognizer(std::shared_ptr<TextEngineFactory> engines,
                               std::shared_ptr<BarcodeReader> barcodes, QStringList uiLanguages, int workers)
    : engines_(std::move(engines)), barcodes_(std::move(barcodes)), uiLanguages_(std::move(uiLanguages)),
      languages_(engines_->languages()), pool_(engines_, workers > 0 ? workers : defaultWorkers()),
      dispatcher_([this] { runDispatcher(); }) {}

TextRecognizer::~TextRecognizer() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        if (running_) running_->cancel();
        for (Job& job : jobs_)
            job.task->cancel();
    }
    available_.notify_all();
    dispatcher_.join();
}

QStringList TextRecognizer::automaticLanguages() const {
    QStringList chosen;
    const auto add = [&](const QString& tag) {
        if (!chosen.contains(tag) && chosen.size() < maxAutomaticLanguages) chosen.append(tag);
    };
    for (const QString& wanted : uiLanguages_) {
        // The longest installed tag that the interface language starts with: "zh-Hans-CN" reads
        // "zh-Hans", "de-AT" reads "de".
        QString best;
        for (const QString& tag : languages_)
            if ((wanted == tag || wanted.startsWith(tag + QLatin1Char('-'))) && tag.size() > best.size())
                best = tag;
        if (!best.isEmpty() && best != QLatin1String("en") && chosen.size() < maxAutomaticLanguages - 1)
            add(best);
    }
    add(QStringLiteral("en"));
    return chosen;
}

int TextRecognizer::upscaleFactor(QSize size) {
    const int longer = std::max(size.width(), size.height());
    if (longer >= 1200) return 1;
    return std::clamp(2400 / std::max(1, longer), 2, 4);
}

Result<QImage, TextRecognizerError> TextRecognizer::onWhite(const QImage& image) {
    const TextRecognizerError unreadable{TextRecognizerError::Case::unreadableImage, {}};
    if (image.isNull()) return Failure{unreadable};
    if (image.format() == QImage::Format_RGBX8888) return image;
    // Per pixel: a premultiplied channel plus the missing alpha.
    const QImage source = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    QImage prepared(image.size(), QImage::Format_RGBX8888);
    if (source.isNull() || prepared.isNull()) return Failure{unreadable};
    prepared.setDotsPerMeterX(image.dotsPerMeterX()), prepared.setDotsPerMeterY(image.dotsPerMeterY());
    for (int y = 0; y < source.height(); ++y) {
        const uchar* in = source.constScanLine(y);
        uchar* out = prepared.scanLine(y);
        for (int x = 0; x < source.width(); ++x, in += 4, out += 4) {
            const int missing = 255 - in[3];
            out[0] = uchar(in[0] + missing), out[1] = uchar(in[1] + missing), out[2] = uchar(in[2] + missing);
            out[3] = 255;
        }
    }
    return prepared;
}

Result<QImage, TextRecognizerError> TextRecognizer::upscaled(const QImage& image) {
    const int factor = upscaleFactor(image.size());
    if (factor == 1 || image.isNull()) return onWhite(image);
    // Transparent parts come out white, as on paper.
    QImage prepared(image.width() * factor, image.height() * factor, QImage::Format_RGBX8888);
    if (prepared.isNull()) return Failure{TextRecognizerError{TextRecognizerError::Case::unreadableImage, {}}};
    prepared.fill(Qt::white);
    QPainter painter(&prepared);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(prepared.rect(), image);
    painter.end();
    return prepared;
}

std::vector<RecognizedWord> TextRecognizer::words(const QString& text, const WordBox& box) {
    std::vector<RecognizedWord> words;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        while (start < size && text[start].isSpace())
            ++start;
        qsizetype end = start;
        while (end < size && !text[end].isSpace())
            ++end;
        if (end > start) {
            if (const auto found = box(start, end - start); found && geom::isFinite(*found))
                words.push_back({text.mid(start, end - start), *found});
        }
        start = end;
    }
    return words;
}

std::shared_ptr<RecognitionTask> TextRecognizer::recognize(const QImage& image,
                                                           std::optional<QStringList> languages,
                                                           RecognitionTask::Completion completion,
                                                           std::function<void()> willPerform) {
    auto task = std::make_shared<RecognitionTask>(std::move(completion));
    const long long w = image.width(), h = image.height();
    if (w < 1 || h < 1 || w > maxPixels || h > maxPixels || w * h > maxPixels) {
        task->finish(
            Failure{RecognitionFailure::refused({TextRecognizerError::Case::invalidDimensions, {}})});
        return task;
    }
    if (languages) {
        QStringList unsupported;
        if (languages->isEmpty()) unsupported.append(QStringLiteral("(none)"));
        for (const QString& language : *languages)
            if (!languages_.contains(language)) unsupported.append(language);
        if (!unsupported.isEmpty()) {
            task->finish(Failure{
                RecognitionFailure::refused({TextRecognizerError::Case::unsupportedLanguages, unsupported})});
            return task;
        }
    }
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back({task, image, languages ? *languages : automaticLanguages(), std::move(willPerform)});
    }
    available_.notify_one();
    return task;
}

void TextRecognizer::runDispatcher() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            available_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            running_ = job.task;
        }
        const RecognitionOutcome outcome = run(job);
        {
            const std::lock_guard lock(mutex_);
            running_.reset();
        }
        job.task->finish(outcome);
    }
}

RecognitionOutcome TextRecognizer::run(const Job& job) {
    const auto cancelled = [&] { return job.task->isCancelled(); };
    if (cancelled()) return Failure{RecognitionFailure::cancellation()};
    const int factor = upscaleFactor(job.image.size());
    auto flat = onWhite(job.image);
    if (!flat) return Failure{RecognitionFailure::refused(flat.error())};
    auto prepared = factor == 1 ? flat : upscaled(job.image);
    if (!prepared) return Failure{RecognitionFailure::refused(prepared.error())};
    // Text lower than 6 source pixels (or 1/32 of a short image) is not kept.
    const double height = job.image.height();
    const double minimumHeight = double(std::min(6.0f / float(height), 0.03125f)) * height;
    if (cancelled()) return Failure{RecognitionFailure::cancellation()};
    if (job.willPerform) job.willPerform();

    const auto started = std::chrono::steady_clock::now();
    Log::ocr().log("Recognition perform started: {}x{} px", prepared->width(), prepared->height());
    TextPass text(pool_, job.languages, job.task->cancelledFlag());
    text.start(*flat, *prepared, factor);
    // Barcodes on this thread while the workers read the text.
    std::vector<BarcodeReader::Code> found;
    if (!cancelled()) found = barcodes_->read(*prepared);
    auto engineLines = text.finish();
    if (!engineLines) {
        Log::ocr().error("Recognition perform failed: {} {}{}", engineLines.error().domain,
                         engineLines.error().code, loggedReason(engineLines.error()));
        if (cancelled()) return Failure{RecognitionFailure::cancellation()};
        return Failure{RecognitionFailure::failed(engineLines.error())};
    }
    const auto elapsed = std::chrono::steady_clock::now() - started;
    Log::ocr().log("Recognition perform finished in {} ms",
                   std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    if (cancelled()) return Failure{RecognitionFailure::cancellation()};

    RecognitionResult result;
    for (const TextEngine::Line& line : *engineLines) {
        const QString trimmed = line.text.trimmed();
        const QRectF box = line.box;
        if (trimmed.isEmpty() || box.height() < minimumHeight) continue;
        const WordRanges ranges = wordRanges(line);
        const auto boxOf = [&](qsizetype start, qsizetype length) -> std::optional<QRectF> {
            for (std::size_t i = 0; i < ranges.ranges.size(); ++i)
                if (ranges.ranges[i] == std::pair(start, length)) return ranges.boxes[i];
            return std::nullopt;
        };
        result.lines.push_back(
            {trimmed, std::clamp(line.confidence, 0.0f, 1.0f), box, words(line.text, boxOf)});
    }
    for (const BarcodeReader::Code& code : found) {
        if (code.payload.isEmpty()) continue;
        const QRectF box = scaledDown(code.box, factor);
        const bool repeated =
            std::any_of(result.codes.begin(), result.codes.end(), [&](const RecognizedCode& c) {
                return c.payload == code.payload && !geom::isNull(geom::intersection(c.boundingBox, box));
            });
        if (!repeated) result.codes.push_back({code.payload, code.symbology, box});
    }
    return result;
}

} // namespace quorvane

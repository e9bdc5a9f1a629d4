#include "document/EditorDocument.h"

#include "core/Geometry.h"
#include "document/AnnotationGeometry.h"
#include "imaging/CaptureGeometry.h"
#include "imaging/OutputSizeProblem.h"

#include <QCoreApplication>
#include <QPainter>
#include <QThread>
#include <cmath>
#include <limits>

namespace quorvane {
namespace {

constexpr std::int64_t maxKeptBases = 2;
constexpr std::int64_t maxKeptBaseBytes = 268'435'456;

void assertGuiThread() {
    Q_ASSERT(QCoreApplication::instance() == nullptr ||
             QThread::currentThread() == QCoreApplication::instance()->thread());
}

QSizeF sizeOf(const QRectF& r) {
    return QSizeF(geom::width(r), geom::height(r));
}

bool sameSize(const std::optional<QSizeF>& a, const std::optional<QSizeF>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || geom::exactlyEqual(*a, *b);
}

std::optional<QImage> defaultAllocator(std::int64_t width, std::int64_t height, MappedBitmap::Alpha alpha,
                                       const std::function<void(QImage&)>& draw) {
    return MappedBitmap::image(width, height, alpha, draw);
}

} // namespace

bool EditorDocument::State::operator==(const State& o) const {
    return base == o.base && geom::exactlyEqual(crop, o.crop) &&
           (annotations == o.annotations || *annotations == *o.annotations) &&
           sameSize(outputSize, o.outputSize) && outputQuality == o.outputQuality && backdrop == o.backdrop;
}

EditorDocument::EditorDocument(const QImage& image, std::optional<QString> sourceName, double pixelScale,
                               QObject* parent)
    : QObject(parent), base_(std::make_shared<const BaseImage>(image)),
      crop_(0, 0, image.width(), image.height()), image_(image),
      annotations_(std::make_shared<const Annotations>()), sourceName_(std::move(sourceName)),
      pixelScale_(pixelScale > 0 && std::isfinite(pixelScale) ? pixelScale : 1.0),
      allocator_(defaultAllocator) {
    bases_.track(base_);
}

void EditorDocument::setBitmapAllocator(BitmapAllocator allocator) {
    allocator_ = allocator ? std::move(allocator) : BitmapAllocator(defaultAllocator);
}

EditorDocument::State EditorDocument::state() const {
    return State{base_, crop_, annotations_, outputSize_, outputQuality_, backdrop_};
}

EditorDocument::State EditorDocument::withAnnotations(Annotations annotations) const {
    State next = state();
    next.annotations = std::make_shared<const Annotations>(std::move(annotations));
    return next;
}

const Annotation* EditorDocument::find(const QUuid& id) const {
    for (const Annotation& a : *annotations_)
        if (a.id == id) return &a;
    return nullptr;
}

bool EditorDocument::commit(State next, const QString& name) {
    // A requested output size never survives a change of canvas size.
    if (geom::width(next.crop) != geom::width(crop_) || geom::height(next.crop) != geom::height(crop_))
        next.outputSize.reset();
    if (next == state()) return true;
    undo_.beginGroup(name);
    const bool applied = restore(next);
    undo_.endGroup();
    return applied;
}

bool EditorDocument::restore(const State& next) {
    assertGuiThread();
    const State current = state();
    const bool cropChanged = !geom::exactlyEqual(next.crop, crop_);
    const bool imageChanges = cropChanged || next.base != base_;
    QImage nextImage = image_;
    if (imageChanges) {
        auto made = canvasImage(next.crop, next.base, allocator_);
        if (!made) return false;
        nextImage = std::move(*made);
    }
    undo_.registerUndo([this, current] { return restore(current); });

    const bool annotationsChange = next.annotations != annotations_;
    const bool outputSizeChanges = !sameSize(next.outputSize, outputSize_);
    const bool qualityChanges = next.outputQuality != outputQuality_;
    const bool backdropChanges = next.backdrop != backdrop_;
    base_ = next.base;
    crop_ = next.crop;
    image_ = std::move(nextImage);
    annotations_ = next.annotations;
    outputSize_ = next.outputSize;
    outputQuality_ = next.outputQuality;
    backdrop_ = next.backdrop;
    ++revision_;

    // Observers run only once the whole state is in place, and learn of the revision last.
    if (cropChanged) Q_EMIT cropRectChanged();
    if (imageChanges) Q_EMIT imageChanged();
    if (annotationsChange) Q_EMIT annotationsChanged();
    if (outputSizeChanges) Q_EMIT outputSizeChanged();
    if (qualityChanges) Q_EMIT outputQualityChanged();
    if (backdropChanges) Q_EMIT backdropChanged();
    Q_EMIT revisionChanged(revision_);
    return true;
}

void EditorDocument::commitAnnotation(Annotations annotations, const Annotation& annotation,
                                      const QString& name) {
    State next = withAnnotations(std::move(annotations));
    const State unchangedCanvas = next;
    next.crop = expandedCrop(annotation);
    // A canvas that cannot be made larger keeps the annotation all the same, as when it is
    // too large to grow.
    if (!commit(std::move(next), name)) commit(unchangedCanvas, name);
}

void EditorDocument::addAnnotation(const Annotation& annotation) {
    if (!annotation.isValid() || find(annotation.id)) return;
    Annotations list = *annotations_;
    list.push_back(annotation);
    commitAnnotation(std::move(list), annotation, QStringLiteral("Add Annotation"));
}

void EditorDocument::updateAnnotation(const Annotation& annotation) {
    if (!annotation.isValid()) return;
    const Annotation* previous = find(annotation.id);
    if (previous == nullptr) return;
    Annotations list = *annotations_;
    list[static_cast<std::size_t>(previous - annotations_->data())] = annotation;
    commitAnnotation(std::move(list), annotation, QStringLiteral("Edit Annotation"));
}

void EditorDocument::deleteAnnotation(const QUuid& id) {
    if (find(id) == nullptr) return;
    Annotations list = *annotations_;
    std::erase_if(list, [&](const Annotation& a) { return a.id == id; });
    commit(withAnnotations(std::move(list)), QStringLiteral("Delete Annotation"));
}

std::optional<QUuid> EditorDocument::duplicateAnnotation(const QUuid& id) {
    const Annotation* original = find(id);
    if (original == nullptr) return std::nullopt;
    Annotation copy = original->translated(10, 10);
    copy.id = QUuid::createUuid();
    // An erase copy takes its box and colour from the background at its new place.
    if (copy.kind == AnnotationKind::erase) {
        auto checked = resampledErase(copy);
        if (!checked) return std::nullopt;
        copy = std::move(checked).value();
    }
    if (copy.kind == AnnotationKind::counter) copy.number = nextCounterNumber();
    addAnnotation(copy);
    if (find(copy.id) == nullptr) return std::nullopt;
    return copy.id;
}

void EditorDocument::reorder(const QUuid& id, int offset) {
    const Annotation* a = find(id);
    if (a == nullptr) return;
    const auto i = a - annotations_->data();
    const auto j = i + static_cast<std::ptrdiff_t>(offset);
    if (j < 0 || j >= static_cast<std::ptrdiff_t>(annotations_->size())) return;
    Annotations list = *annotations_;
    std::swap(list[static_cast<std::size_t>(i)], list[static_cast<std::size_t>(j)]);
    commit(withAnnotations(std::move(list)), QStringLiteral("Reorder Annotation"));
}

void EditorDocument::move(const QUuid& id, StackEnd end) {
    const Annotation* found = find(id);
    if (found == nullptr) return;
    const Annotation moved = *found;
    Annotations list;
    list.reserve(annotations_->size());
    if (end == StackEnd::back) list.push_back(moved);
    for (const Annotation& a : *annotations_)
        if (a.id != id) list.push_back(a);
    if (end == StackEnd::front) list.push_back(moved);
    commit(withAnnotations(std::move(list)),
           end == StackEnd::front ? QStringLiteral("Bring to Front") : QStringLiteral("Send to Back"));
}

void EditorDocument::setBackdrop(const std::optional<Backdrop>& backdrop) {
    State next = state();
    next.backdrop = backdrop;
    commit(std::move(next), QStringLiteral("Backdrop"));
}

Result<void, Error> EditorDocument::setOutputSize(const std::optional<QSizeF>& size,
                                                  std::optional<ImageResampler::Quality> quality) {
    State next = state();
    if (size) {
        if (auto problem = outputSizeProblem(*size))
            return Failure{Error{QStringLiteral("Quorvane.OutputSize"), 1, std::move(*problem)}};
        const QSizeF whole(std::round(size->width()), std::round(size->height()));
        if (geom::exactlyEqual(whole, sizeOf(crop_)))
            next.outputSize.reset();
        else
            next.outputSize = whole;
    } else {
        next.outputSize.reset();
    }
    if (quality) next.outputQuality = *quality;
    commit(std::move(next), QStringLiteral("Resize"));
    return {};
}

bool EditorDocument::crop(const QRectF& rect) {
    const auto pixels = CaptureGeometry{QRectF(QPointF(0, 0), sizeOf(crop_)), 1}.pixels(rect);
    if (!pixels) return false;
    State next = state();
    next.crop = geom::offsetBy(*pixels, geom::minX(crop_), geom::minY(crop_));
    return commit(std::move(next), QStringLiteral("Crop"));
}

void EditorDocument::resetCrop() {
    State next = state();
    next.crop = QRectF(0, 0, base_->image().width(), base_->image().height());
    commit(std::move(next), QStringLiteral("Reset Crop"));
}

bool EditorDocument::expandCanvas(double top, double left, double bottom, double right) {
    const double margins[] = {std::round(top), std::round(left), std::round(bottom), std::round(right)};
    bool anyPositive = false;
    for (double m : margins) {
        if (!std::isfinite(m) || m < 0) return false;
        anyPositive = anyPositive || m > 0;
    }
    if (!anyPositive) return false;
    const auto [t, l, b, r] = margins;
    const QRectF grown(geom::minX(crop_) - l, geom::minY(crop_) - t, geom::width(crop_) + l + r,
                       geom::height(crop_) + t + b);
    if (outputSizeProblem(sizeOf(grown))) return false;
    State next = state();
    next.crop = grown;
    return commit(std::move(next), QStringLiteral("Expand Canvas"));
}

FlattenResult EditorDocument::flatten() {
    const QImage& baseImage = base_->image();
    if (annotations_->empty() &&
        geom::exactlyEqual(crop_, QRectF(0, 0, baseImage.width(), baseImage.height())))
        return FlattenResult::nothingToFlatten;

    std::optional<QImage> pixels;
    if (annotations_->empty()) {
        // A copy, never a view: the old base must be free to go once no undo step holds it.
        const QImage source = ImageResampler::sRGBColors(image_);
        if (!source.isNull())
            pixels = allocator_(source.width(), source.height(), MappedBitmap::Alpha::premultipliedLast,
                                [&](QImage& target) {
                                    QPainter painter(&target);
                                    painter.setCompositionMode(QPainter::CompositionMode_Source);
                                    painter.drawImage(QPoint(0, 0), source);
                                });
    } else if (auto rendered =
                   render(Annotation::resolvingColors(*annotations_), image_, crop_, allocator_)) {
        pixels = std::move(rendered).value();
    }
    if (!pixels) return FlattenResult::allocationFailed;

    const auto newBase = std::make_shared<const BaseImage>(std::move(*pixels));
    const bool fits = bases_.fits(base_, maxKeptBases, maxKeptBaseBytes);
    if (!fits) undo_.removeAllActions();
    bases_.track(newBase);

    State next = state();
    next.base = newBase;
    next.crop = QRectF(0, 0, newBase->image().width(), newBase->image().height());
    next.annotations = std::make_shared<const Annotations>();
    // The canvas image of a whole base is the base itself, so this cannot fail.
    commit(std::move(next), QStringLiteral("Flatten"));
    return fits ? FlattenResult::flattened : FlattenResult::flattenedClearingHistory;
}

QRectF EditorDocument::expandedCrop(const Annotation& a) const {
    if (isEffectKind(a.kind) || marksScreenshot(a.kind)) return crop_;
    const double margin = a.kind == AnnotationKind::image ? 0 : a.strokeWidth * 4 + pixelScale_ * 8;
    const QRectF e = extent(a);
    if (!std::isfinite(geom::minX(e)) || !std::isfinite(geom::minY(e)) || !std::isfinite(geom::maxX(e)) ||
        !std::isfinite(geom::maxY(e)))
        return crop_;
    if (geom::contains(crop_, e)) return crop_;
    // An annotation that already reached past the crop grows it only when it reaches further.
    if (const Annotation* previous = find(a.id);
        previous != nullptr && geom::contains(geom::united(crop_, extent(*previous)), e))
        return crop_;
    const QRectF candidate = geom::integral(geom::united(crop_, geom::insetBy(e, -margin, -margin)));
    if (outputSizeProblem(sizeOf(candidate))) return crop_;
    return candidate;
}

std::optional<QString> EditorDocument::outputSizeProblem(const QSizeF& size) {
    return quorvane::outputSizeProblem(size);
}

QRectF EditorDocument::extent(const Annotation& a) {
    if (a.kind == AnnotationKind::arrow) return detail::arrowGeometry(a.start, a.end, a.bend).bounds();
    return geom::standardized(a.rect);
}

std::int64_t EditorDocument::nextCounterNumber() const {
    std::int64_t largest = 0;
    for (const Annotation& a : *annotations_)
        if (a.kind == AnnotationKind::counter) largest = std::max(largest, a.number);
    return largest == std::numeric_limits<std::int64_t>::max() ? largest : largest + 1;
}

bool EditorDocument::liesUnderSpotlight(const QUuid& id) const {
    const Annotations& list = *annotations_;
    const auto at = std::find_if(list.begin(), list.end(), [&](const Annotation& a) { return a.id == id; });
    const auto spotlight = std::find_if(
        list.begin(), list.end(), [](const Annotation& a) { return a.kind == AnnotationKind::spotlight; });
    return at != list.end() && spotlight != list.end() && at < spotlight;
}

double EditorDocument::exportPointScale() const {
    const double cropWidth = geom::width(crop_);
    if (!(cropWidth > 0)) return pixelScale_;
    const double outputWidth = outputSize_ ? outputSize_->width() : cropWidth;
    return pixelScale_ * (outputWidth / cropWidth);
}

QSizeF EditorDocument::finalPixelSize() const {
    const QSizeF size = outputSize_.value_or(sizeOf(crop_));
    if (!backdrop_) return size;
    const double padding = 2.0 * backdrop_->padding;
    return QSizeF(std::round(size.width()) + padding, std::round(size.height()) + padding);
}

QSizeF EditorDocument::canvasFitSize() const {
    const QSizeF cropSize = sizeOf(crop_);
    const QSizeF size = outputSize_.value_or(cropSize);
    if (!backdrop_ || !(size.width() > 0) || !(size.height() > 0)) return cropSize;
    const double padding = 2.0 * backdrop_->padding;
    return QSizeF(cropSize.width() * (padding / size.width() + 1),
                  cropSize.height() * (padding / size.height() + 1));
}

} // namespace quorvane

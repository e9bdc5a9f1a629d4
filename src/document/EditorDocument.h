#pragma once

#include "adjustments/Backdrop.h"
#include "adjustments/ImageResampler.h"
#include "core/Error.h"
#include "core/Result.h"
#include "document/Annotation.h"
#include "document/BaseHistory.h"
#include "document/BaseImage.h"
#include "document/CanvasAlignment.h"
#include "document/CompositionError.h"
#include "document/FlattenResult.h"
#include "document/StackEnd.h"
#include "document/UndoManager.h"
#include "imaging/EraseCheck.h"
#include "imaging/MappedBitmap.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

// One open image: its base, the crop, the canvas image cut from both, the annotations (the last
// is drawn on top), the output size and quality and the backdrop. Every change is one named undo
// step that replaces the whole state; each applied state (edit, undo or redo) raises `revision`
// by one, and the change signals fire after the whole state is in place, `revisionChanged` last.
// Coordinates are base-image pixels, y down; the crop may reach past the base. GUI thread.
// State, undo and editing live in EditorDocument.cpp; composition, rendering (the canvas image
// too) and the erase check in EditorDocumentComposition.cpp, EditorDocumentRendering.cpp and
// EditorDocumentErase.cpp.
class EditorDocument : public QObject {
    Q_OBJECT
    Q_PROPERTY(QRectF cropRect READ cropRect NOTIFY cropRectChanged)
    Q_PROPERTY(QImage image READ image NOTIFY imageChanged)
    Q_PROPERTY(qint64 revision READ revision NOTIFY revisionChanged)

public:
    using Annotations = std::vector<Annotation>;

    // What an export renders, taken on the GUI thread and safe to hand to any thread.
    struct Output {
        QImage image; // the canvas image
        QRectF cropRect;
        Annotations annotations;          // colours resolved
        std::optional<QSizeF> outputSize; // none: the crop's size
        ImageResampler::Quality outputQuality = ImageResampler::Quality::highQuality;
        std::optional<Backdrop> backdrop;
    };
    // Makes the mapped bitmaps of canvas images and flattening; replaceable so that tests can
    // make it fail.
    using BitmapAllocator = std::function<std::optional<QImage>(std::int64_t width, std::int64_t height,
                                                                MappedBitmap::Alpha alpha,
                                                                const std::function<void(QImage&)>& draw)>;

    // A pixel scale that is not positive and finite is taken as 1.
    EditorDocument(const QImage& image, std::optional<QString> sourceName, double pixelScale,
                   QObject* parent = nullptr);

    const BaseImageRef& base() const { return base_; }
    QRectF cropRect() const { return crop_; }
    // Always of the crop's size.
    const QImage& image() const { return image_; }
    const Annotations& annotations() const { return *annotations_; }
    qint64 revision() const { return revision_; }
    UndoManager& undoManager() { return undo_; }
    const std::optional<QString>& sourceName() const { return sourceName_; }
    double pixelScale() const { return pixelScale_; }
    // Whole pixels; none exports at the crop size.
    const std::optional<QSizeF>& outputSize() const { return outputSize_; }
    ImageResampler::Quality outputQuality() const { return outputQuality_; }
    const std::optional<Backdrop>& backdrop() const { return backdrop_; }

    // The open Redact Text review, which export and several commands wait for.
    QObject* textRedactionReview() const { return textRedactionReview_; }
    void setTextRedactionReview(QObject* review) { textRedactionReview_ = review; }

    // Each is one undo step ("Add Annotation", "Edit Annotation"). The canvas grows to take the
    // annotation in where it can, and keeps its crop otherwise; an invalid annotation, a second
    // add of one id or an update of an unknown id changes nothing.
    void addAnnotation(const Annotation& annotation);
    void updateAnnotation(const Annotation& annotation);
    void deleteAnnotation(const QUuid& id);
    // The id of the copy, 10 pixels right and down; none when nothing was copied.
    std::optional<QUuid> duplicateAnnotation(const QUuid& id);
    // Swaps with the neighbour `offset` (+1 forward, −1 backward) places away.
    void reorder(const QUuid& id, int offset);
    void move(const QUuid& id, StackEnd end);
    void setBackdrop(const std::optional<Backdrop>& backdrop);
    // A size with a problem changes nothing. Errors: "Quorvane.OutputSize" code 1, the problem.
    Result<void, Error> setOutputSize(const std::optional<QSizeF>& size,
                                      std::optional<ImageResampler::Quality> quality);
    // `rect` in canvas pixels, relative to the crop's origin. False when it does not lie within
    // the canvas, or its canvas image cannot be made.
    bool crop(const QRectF& rect);
    void resetCrop();
    // Margins in pixels, rounded half away from zero. False when none is positive, any is
    // negative or not finite, the canvas would be too large or cannot be made.
    bool expandCanvas(double top, double left, double bottom, double right);
    FlattenResult flatten();

    // Composition. `image` becomes an image overlay fitted into the canvas and centred on
    // `centeredIn` (base-image pixels) or on the canvas; `pixelScale` is the source's pixels per
    // point, none or not positive for no scaling. One "Add Annotation" step.
    Result<Annotation, CompositionError> addOverlay(const QImage& image, std::optional<double> pixelScale,
                                                    std::optional<QRectF> centeredIn);
    // Done, or nothing to do; a refusal leaves the document unchanged.
    Result<void, EraseCheck::Refusal> align(const QUuid& id, CanvasAlignment alignment);
    // Clamped to 0…1 in steps of 0.01; a value that is not finite is ignored.
    void setOpacity(double opacity, const QUuid& id);

    // The crop that keeps `annotation` visible.
    QRectF expandedCrop(const Annotation& annotation) const;
    static std::optional<QString> outputSizeProblem(const QSizeF& size);
    // The tight box of an arrow's line or curve; the rectangle of every other kind. Standardised.
    static QRectF extent(const Annotation& annotation);
    // One more than the largest counter number; 1 without counters.
    std::int64_t nextCounterNumber() const;
    // Whether that annotation lies below the spotlights' dimming, which is drawn at the place of
    // the first spotlight.
    bool liesUnderSpotlight(const QUuid& id) const;
    // An erase annotation of this document checked again against the picture without it: the
    // same annotation covering its whole-pixel box in the colour of the plain ring around it, or
    // why it cannot stay.
    Result<Annotation, EraseCheck::Refusal> resampledErase(const Annotation& erase) const;

    // Pixels of the exported image per point of the source.
    double exportPointScale() const;
    // The exported image's pixel size, backdrop included.
    QSizeF finalPixelSize() const;
    // The crop size grown by the backdrop's padding, in crop pixels.
    QSizeF canvasFitSize() const;

    // The canvas image with `annotations` (the document's own when none) drawn over it.
    // Errors: "Quorvane.Render" code 1.
    Result<QImage, Error> render(const std::optional<Annotations>& annotations = std::nullopt) const;
    // `annotations` drawn over `image`, which has the size of `crop`; `image` itself when there is
    // nothing to draw. Any thread.
    static Result<QImage, Error> render(const Annotations& annotations, const QImage& image,
                                        const QRectF& crop);

    // The snapshot an export renders: the canvas image, the crop, `annotations` with their colours
    // resolved, and the output size, quality and backdrop. GUI thread.
    Output output(const Annotations& annotations) const;
    // The exported image: annotations drawn, then resized (redactions drawn again at the output's
    // scale), then framed by the backdrop; always 8-bit sRGB. Any thread. Errors
    // ("Quorvane.Render"): 1 the annotated image, 2 the resized or backdrop image could not be
    // allocated, 3 the backdrop does not fit the resized image.
    static Result<QImage, Error> renderOutput(const Output& output);

    // The canvas image of `crop` on `base`: the base itself, a sub-image sharing its pixels for a
    // crop inside it, else a new bitmap filled with the base's edge colour outside the base.
    static std::optional<QImage> canvasImage(const QRectF& crop, const BaseImageRef& base,
                                             const BitmapAllocator& allocator);

    void setBitmapAllocator(BitmapAllocator allocator);

    // Lifetime. An operation that took the document and finishes later (a save dialog's
    // completion) holds it; its owner releases it instead of deleting it, and it is deleted on a
    // later turn once nobody holds it.
    using KeepAlive = std::shared_ptr<void>;
    KeepAlive keepAlive();
    void release();

Q_SIGNALS:
    void cropRectChanged();
    void imageChanged();
    void annotationsChanged();
    void outputSizeChanged();
    void outputQualityChanged();
    void backdropChanged();
    void revisionChanged(qint64 revision);

private:
    using SharedAnnotations = std::shared_ptr<const Annotations>;
    struct State {
        BaseImageRef base;
        QRectF crop;
        SharedAnnotations annotations;
        std::optional<QSizeF> outputSize;
        ImageResampler::Quality outputQuality = ImageResampler::Quality::highQuality;
        std::optional<Backdrop> backdrop;
        bool operator==(const State& other) const;
    };

    State state() const;
    State withAnnotations(Annotations annotations) const;
    // False when the state's canvas image cannot be made; nothing changes then.
    bool commit(State next, const QString& name);
    bool restore(const State& next);
    static Result<QImage, Error> render(const Annotations& annotations, const QImage& image,
                                        const QRectF& crop, const BitmapAllocator& allocator);
    // Adds or replaces `annotation`; a canvas that cannot grow leaves the crop as it is.
    void commitAnnotation(Annotations annotations, const Annotation& annotation, const QString& name);
    const Annotation* find(const QUuid& id) const;

    BaseImageRef base_;
    QRectF crop_;
    QImage image_;
    SharedAnnotations annotations_;
    qint64 revision_ = 0;
    UndoManager undo_;
    BaseHistory bases_;
    std::optional<QString> sourceName_;
    double pixelScale_ = 1;
    std::optional<QSizeF> outputSize_;
    ImageResampler::Quality outputQuality_ = ImageResampler::Quality::highQuality;
    std::optional<Backdrop> backdrop_;
    QPointer<QObject> textRedactionReview_;
    BitmapAllocator allocator_;
    int holds_ = 0;
    bool released_ = false;
};

} // namespace quorvane

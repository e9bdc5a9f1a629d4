#include "document/EditorDocument.h"

#include "document/OverlayBudget.h"
#include "platform/Geometry.h"
#include "support/TestAnnotations.h"

#include <QColorSpace>
#include <QPainter>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace quorvane {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

Annotation arrow(const QPointF& from, const QPointF& to, double stroke) {
    Annotation a = test::annotation(AnnotationKind::arrow, QRectF(from, to).normalized());
    a.start = from;
    a.end = to;
    a.strokeWidth = stroke;
    return a;
}

void expectRect(const QRectF& actual, const QRectF& expected) {
    EXPECT_TRUE(geom::exactlyEqual(actual, expected))
        << actual.x() << ", " << actual.y() << ", " << actual.width() << " × " << actual.height();
}

std::optional<QImage> failingAllocator(std::int64_t, std::int64_t, MappedBitmap::Alpha,
                                       const std::function<void(QImage&)>&) {
    return std::nullopt;
}

// The undoable state, compared exactly.
using Snapshot = std::tuple<double, double, double, double, std::vector<Annotation>, QSizeF, BaseImageRef>;
Snapshot snapshot(const EditorDocument& d) {
    const QRectF c = d.cropRect();
    return {c.x(),   c.y(), c.width(), c.height(), d.annotations(), d.outputSize().value_or(QSizeF()),
            d.base()};
}

TEST(EditorDocument, StartsUncroppedWithNothingToUndo) {
    const QImage image = test::twoToneImage(1200, 800);
    EditorDocument document(image, QStringLiteral("Screen"), 2);
    expectRect(document.cropRect(), QRectF(0, 0, 1200, 800));
    EXPECT_EQ(document.image().constBits(), image.constBits());
    EXPECT_TRUE(document.annotations().empty());
    EXPECT_EQ(document.revision(), 0);
    EXPECT_EQ(document.outputQuality(), ImageResampler::Quality::highQuality);
    EXPECT_FALSE(document.outputSize() || document.backdrop());
    EXPECT_FALSE(document.undoManager().canUndo());
    EXPECT_EQ(document.pixelScale(), 2);
    for (double scale : {0.0, -2.0, inf, nan})
        EXPECT_EQ(EditorDocument(image, std::nullopt, scale).pixelScale(), 1.0) << scale;
}

TEST(EditorDocument, EveryChangeIsOneNamedStepAndUnchangedStatesRecordNothing) {
    EditorDocument document(test::twoToneImage(200, 100), std::nullopt, 1);
    UndoManager& undo = document.undoManager();
    std::vector<qint64> revisionsSeen;
    QObject::connect(&document, &EditorDocument::revisionChanged, [&](qint64 r) {
        // Observers see the whole new state by the time the revision changes.
        EXPECT_EQ(document.revision(), r);
        revisionsSeen.push_back(r);
    });

    Annotation a = test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 50, 30));
    const Annotation b = test::annotation(AnnotationKind::oval, QRectF(20, 20, 40, 40));
    document.addAnnotation(a);
    document.addAnnotation(a);
    document.addAnnotation(b);
    EXPECT_EQ(document.revision(), 2);
    EXPECT_EQ(undo.undoActionName(), "Add Annotation");

    document.updateAnnotation(a); // identical
    EXPECT_EQ(document.revision(), 2);
    a.rect = QRectF(12, 10, 50, 30);
    document.updateAnnotation(a);
    const Snapshot afterFirstEdit = snapshot(document);
    a.rect = QRectF(14, 10, 50, 30);
    document.updateAnnotation(a);
    EXPECT_EQ(undo.undoActionName(), "Edit Annotation");
    ASSERT_TRUE(undo.undo());
    EXPECT_EQ(snapshot(document), afterFirstEdit);
    ASSERT_TRUE(undo.redo());

    document.reorder(b.id, +1); // already on top
    document.move(b.id, true);
    document.deleteAnnotation(QUuid::createUuid());
    EXPECT_EQ(document.revision(), 6);

    document.move(b.id, false);
    EXPECT_EQ(undo.undoActionName(), "Send to Back");
    EXPECT_EQ(document.annotations().front().id, b.id);
    document.reorder(b.id, +1);
    EXPECT_EQ(undo.undoActionName(), "Reorder Annotation");
    document.move(a.id, true);
    EXPECT_EQ(undo.undoActionName(), "Bring to Front");
    document.setBackdrop(Backdrop::preset(Backdrop::Preset::paper, 1));
    EXPECT_EQ(undo.undoActionName(), "Backdrop");
    document.deleteAnnotation(a.id);
    EXPECT_EQ(undo.undoActionName(), "Delete Annotation");

    // Undo then redo of every step lands exactly on the state after it, one revision each.
    std::vector<Snapshot> states;
    while (undo.canUndo()) {
        states.push_back(snapshot(document));
        const qint64 before = document.revision();
        ASSERT_TRUE(undo.undo());
        EXPECT_EQ(document.revision(), before + 1);
    }
    EXPECT_TRUE(document.annotations().empty());
    while (undo.canRedo()) {
        ASSERT_TRUE(undo.redo());
        EXPECT_EQ(snapshot(document), states.back());
        states.pop_back();
    }
    EXPECT_EQ(revisionsSeen.size(), static_cast<std::size_t>(document.revision()));
}

TEST(EditorDocument, DuplicatesOffsetCopiesAndNumbersCounters) {
    EditorDocument document(test::twoToneImage(200, 100), std::nullopt, 1);
    Annotation counter = test::annotation(AnnotationKind::counter, QRectF(10, 10, 20, 20));
    counter.number = 4;
    document.addAnnotation(counter);
    const auto copy = document.duplicateAnnotation(counter.id);
    ASSERT_TRUE(copy);
    const Annotation& added = document.annotations().back();
    EXPECT_EQ(added.id, *copy);
    expectRect(added.rect, QRectF(20, 20, 20, 20));
    EXPECT_EQ(added.number, 5);
    EXPECT_EQ(document.undoManager().undoActionName(), "Add Annotation");
    EXPECT_FALSE(document.duplicateAnnotation(QUuid::createUuid()));
}

TEST(EditorDocument, MarksPastTheCropGrowItWithTheirMargin) {
    EditorDocument document(test::twoToneImage(100, 100), std::nullopt, 2);
    // A 5-pixel arrow 3 pixels past the right edge: 4 × 5 + 2 × 8 = 36 pixels of margin.
    Annotation a = arrow(QPointF(50, 50), QPointF(103, 50), 5);
    document.addAnnotation(a);
    expectRect(document.cropRect(), QRectF(0, 0, 139, 100));
    EXPECT_EQ(document.image().size(), QSize(139, 100));

    // Cropped back, the arrow sticks out; moved within its old reach, it leaves the crop alone.
    ASSERT_TRUE(document.crop(QRectF(0, 0, 100, 100)));
    a.end = QPointF(102, 52);
    document.updateAnnotation(a);
    expectRect(document.cropRect(), QRectF(0, 0, 100, 100));
    EXPECT_EQ(document.undoManager().undoActionName(), "Edit Annotation");

    // Effects and screenshot marks never grow it; an image overlay grows it without margin.
    for (AnnotationKind kind :
         {AnnotationKind::redact, AnnotationKind::blur, AnnotationKind::pixelate, AnnotationKind::erase,
          AnnotationKind::highlight, AnnotationKind::spotlight, AnnotationKind::magnifier})
        document.addAnnotation(test::annotation(kind, QRectF(-40, -40, 30, 30)));
    expectRect(document.cropRect(), QRectF(0, 0, 100, 100));
    QImage pixels(4, 4, QImage::Format_RGBA8888_Premultiplied);
    pixels.fill(Qt::green);
    Annotation overlay = test::annotation(AnnotationKind::image, QRectF(-10.5, 20, 30, 30));
    overlay.overlay = OverlayBudget::admit(pixels).value();
    document.addAnnotation(overlay);
    expectRect(document.cropRect(), QRectF(-11, 0, 111, 100));

    // Growth past the size caps is refused, but the mark is still added.
    const auto count = document.annotations().size();
    document.addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(0, 0, 20000, 10)));
    EXPECT_EQ(document.annotations().size(), count + 1);
    expectRect(document.cropRect(), QRectF(-11, 0, 111, 100));
}

TEST(EditorDocument, OutputSizeIsCheckedRoundedAndClearedByCanvasChanges) {
    EditorDocument document(test::twoToneImage(1200, 800), std::nullopt, 1);
    EXPECT_TRUE(document.setOutputSize(QSizeF(1199.5, 800), std::nullopt));
    EXPECT_FALSE(document.outputSize());
    EXPECT_FALSE(document.undoManager().canUndo());
    EXPECT_TRUE(document.setOutputSize(QSizeF(16384, 1953), ImageResampler::Quality::nearest));
    EXPECT_EQ(document.undoManager().undoActionName(), "Resize");
    EXPECT_FALSE(document.setOutputSize(QSizeF(16385, 10), std::nullopt));
    EXPECT_EQ(*document.outputSize(), QSizeF(16384, 1953));
    EXPECT_EQ(document.outputQuality(), ImageResampler::Quality::nearest);

    EXPECT_EQ(*EditorDocument::outputSizeProblem(QSizeF(nan, 10)), "Enter a width and height.");
    EXPECT_EQ(*EditorDocument::outputSizeProblem(QSizeF(0.4, 10)),
              "Width and height must be at least 1 pixel.");
    EXPECT_TRUE(EditorDocument::outputSizeProblem(QSizeF(16000, 2001)));
    EXPECT_FALSE(EditorDocument::outputSizeProblem(QSizeF(16000, 2000)));
    EXPECT_FALSE(EditorDocument::outputSizeProblem(QSizeF(16384, 0.5)));

    ASSERT_TRUE(document.setOutputSize(QSizeF(600, 400), std::nullopt));
    ASSERT_TRUE(document.crop(QRectF(0, 0, 600, 800)));
    EXPECT_FALSE(document.outputSize());
    ASSERT_TRUE(document.undoManager().undo());
    EXPECT_EQ(*document.outputSize(), QSizeF(600, 400));
    ASSERT_TRUE(document.crop(QRectF(0, 0, 600, 400)));
    ASSERT_TRUE(document.setOutputSize(QSizeF(300, 200), std::nullopt));
    EXPECT_EQ(document.flatten(), FlattenResult::flattened);
    EXPECT_EQ(*document.outputSize(), QSizeF(300, 200));
}

TEST(EditorDocument, CropsToWholePixelsInsideTheCanvasSharingTheBasePixels) {
    EditorDocument document(test::twoToneImage(100, 100), std::nullopt, 1);
    EXPECT_FALSE(document.crop(QRectF(50, 50, 51, 10)));
    EXPECT_FALSE(document.crop(QRectF(10, 10, 0, 10)));
    EXPECT_FALSE(document.crop(QRectF(10, nan, 5, 10)));
    ASSERT_TRUE(document.crop(QRectF(10.2, 10.7, 20, 20)));
    expectRect(document.cropRect(), QRectF(10, 10, 21, 21));
    EXPECT_EQ(document.undoManager().undoActionName(), "Crop");
    ASSERT_TRUE(document.crop(QRectF(1, 2, 3, 4)));
    expectRect(document.cropRect(), QRectF(11, 12, 3, 4));

    const QImage& base = document.base()->image();
    EXPECT_EQ(document.image().constBits(), base.constScanLine(12) + 4 * 11);
    EXPECT_EQ(document.image().pixelColor(0, 0), QColor(255, 0, 0));

    document.resetCrop();
    EXPECT_EQ(document.undoManager().undoActionName(), "Reset Crop");
    EXPECT_EQ(document.image().constBits(), base.constBits());
}

TEST(EditorDocument, ExpandsTheCanvasWithTheEdgeColour) {
    // White edges, a black top-left pixel and a green lower interior.
    QImage image(100, 100, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::white);
    image.setPixelColor(0, 0, Qt::black);
    QPainter(&image).fillRect(QRect(10, 50, 80, 40), Qt::green);
    EditorDocument document(image, std::nullopt, 1);
    ASSERT_TRUE(document.crop(QRectF(0, 0, 100, 50)));
    EXPECT_FALSE(document.expandCanvas(0.4, 0, 0, 0));
    EXPECT_FALSE(document.expandCanvas(10, -1, 0, 0));
    EXPECT_FALSE(document.expandCanvas(10, nan, 0, 0));
    EXPECT_FALSE(document.expandCanvas(16400, 0, 0, 0));
    ASSERT_TRUE(document.expandCanvas(10, 20, 0, 0));
    EXPECT_EQ(document.undoManager().undoActionName(), "Expand Canvas");
    expectRect(document.cropRect(), QRectF(-20, -10, 120, 60));

    // The base's top-left lands at (20, 10); base rows from 50 on are cut off.
    const QImage& canvas = document.image();
    ASSERT_EQ(canvas.size(), QSize(120, 60));
    EXPECT_EQ(canvas.pixelColor(20, 10), QColor(Qt::black));
    EXPECT_EQ(canvas.pixelColor(19, 10), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(50, 59), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::white));
}

TEST(EditorDocument, FlattenMakesTheCanvasTheNewBase) {
    EditorDocument document(test::twoToneImage(100, 100), std::nullopt, 1);
    EXPECT_EQ(document.flatten(), FlattenResult::nothingToFlatten);
    EXPECT_EQ(document.revision(), 0);

    ASSERT_TRUE(document.crop(QRectF(0, 40, 100, 20)));
    const BaseImageRef original = document.base();
    EXPECT_EQ(document.flatten(), FlattenResult::flattened);
    EXPECT_EQ(document.undoManager().undoActionName(), "Flatten");
    expectRect(document.cropRect(), QRectF(0, 0, 100, 20));
    const QImage& flat = document.base()->image();
    EXPECT_EQ(flat.size(), QSize(100, 20));
    EXPECT_EQ(flat.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(flat.pixelColor(0, 19), QColor(0, 0, 255));
    EXPECT_NE(flat.constBits(), original->image().constScanLine(40)); // a copy, not a view
    ASSERT_TRUE(document.undoManager().undo());
    EXPECT_EQ(document.base(), original);
    expectRect(document.cropRect(), QRectF(0, 40, 100, 20));
    ASSERT_TRUE(document.undoManager().redo());

    // A third live base would exceed two kept bases: older steps go, the flatten stays undoable.
    ASSERT_TRUE(document.crop(QRectF(0, 0, 50, 20)));
    EXPECT_EQ(document.flatten(), FlattenResult::flattened);
    ASSERT_TRUE(document.crop(QRectF(0, 0, 20, 20)));
    EXPECT_EQ(document.flatten(), FlattenResult::flattenedClearingHistory);
    ASSERT_TRUE(document.undoManager().undo());
    expectRect(document.cropRect(), QRectF(0, 0, 20, 20));
    EXPECT_FALSE(document.undoManager().canUndo());

    document.setBitmapAllocator(failingAllocator);
    const qint64 revision = document.revision();
    EXPECT_EQ(document.flatten(), FlattenResult::allocationFailed);
    EXPECT_EQ(document.revision(), revision);
    EXPECT_TRUE(document.undoManager().canRedo());
}

TEST(EditorDocument, ACanvasThatCannotBeMadeChangesNothingAndKeepsTheSteps) {
    EditorDocument document(test::twoToneImage(100, 100), std::nullopt, 1);
    ASSERT_TRUE(document.expandCanvas(0, 0, 0, 10));
    document.resetCrop();
    document.setBitmapAllocator(failingAllocator);
    const Snapshot before = snapshot(document);

    EXPECT_FALSE(document.expandCanvas(5, 0, 0, 0));
    EXPECT_FALSE(document.undoManager().undo());
    EXPECT_EQ(snapshot(document), before);
    EXPECT_EQ(document.revision(), 2);
    EXPECT_EQ(document.undoManager().undoActionName(), "Reset Crop");

    // The annotation is kept, on the canvas as it is.
    document.addAnnotation(arrow(QPointF(50, 50), QPointF(120, 50), 3));
    EXPECT_EQ(document.annotations().size(), 1u);
    expectRect(document.cropRect(), QRectF(0, 0, 100, 100));

    document.setBitmapAllocator(nullptr);
    ASSERT_TRUE(document.undoManager().undo());
    ASSERT_TRUE(document.undoManager().undo());
    expectRect(document.cropRect(), QRectF(0, 0, 110, 100));
}

TEST(EditorDocument, AnOuterGroupUndoesItsOperationsTogether) {
    EditorDocument document(test::twoToneImage(100, 100), std::nullopt, 1);
    UndoManager& undo = document.undoManager();
    undo.beginGroup(QStringLiteral("Redact Text"));
    document.addAnnotation(test::annotation(AnnotationKind::redact, QRectF(1, 1, 5, 5)));
    document.addAnnotation(test::annotation(AnnotationKind::redact, QRectF(10, 1, 5, 5)));
    EXPECT_FALSE(undo.canUndo());
    undo.endGroup();
    EXPECT_EQ(undo.undoActionName(), "Redact Text");
    ASSERT_TRUE(undo.undo());
    EXPECT_TRUE(document.annotations().empty());
    EXPECT_FALSE(undo.canUndo());
}

TEST(EditorDocument, BackdropSizes) {
    EditorDocument document(test::twoToneImage(1000, 500), std::nullopt, 2);
    EXPECT_EQ(document.canvasFitSize(), QSizeF(1000, 500));
    EXPECT_EQ(document.exportPointScale(), 2);
    ASSERT_TRUE(document.setOutputSize(QSizeF(500, 250), std::nullopt));
    Backdrop backdrop;
    backdrop.padding = 50;
    document.setBackdrop(backdrop);
    EXPECT_EQ(document.canvasFitSize(), QSizeF(1200, 700));
    EXPECT_EQ(document.exportPointScale(), 1);
    EXPECT_EQ(document.finalPixelSize(), QSizeF(600, 350));
    document.setBackdrop(std::nullopt);
    EXPECT_EQ(document.finalPixelSize(), QSizeF(500, 250));
}

} // namespace
} // namespace quorvane

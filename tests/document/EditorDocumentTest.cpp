#include "document/EditorDocument.h"

#include "core/Geometry.h"
#include "document/OverlayBudget.h"
#include "support/ResultPrinters.h"
#include "support/TestAnnotations.h"

#include <QPainter>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace quorvane {
namespace {

using K = AnnotationKind;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

Annotation arrow(const QPointF& from, const QPointF& to, double stroke) {
    Annotation a = test::annotation(K::arrow, QRectF(from, to).normalized());
    a.start = from;
    a.end = to;
    a.strokeWidth = stroke;
    return a;
}

// The undoable state, compared exactly.
using Snapshot = std::tuple<std::array<double, 4>, std::vector<Annotation>, QSizeF, ImageResampler::Quality,
                            std::optional<Backdrop>, BaseImageRef>;
Snapshot snapshot(const EditorDocument& d) {
    const QRectF c = d.cropRect();
    return std::make_tuple(std::array{c.x(), c.y(), c.width(), c.height()}, d.annotations(),
                           d.outputSize().value_or(QSizeF()), d.outputQuality(), d.backdrop(), d.base());
}

TEST(EditorDocument, StartsUncroppedWithNothingToUndo) {
    const QImage image = test::twoToneImage(1200, 800);
    EditorDocument document(image, QStringLiteral("Screen"), 2);
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(0, 0, 1200, 800)));
    EXPECT_EQ(document.image().constBits(), image.constBits());
    EXPECT_FALSE(document.outputSize() || document.backdrop() || document.undoManager().canUndo());
    for (double scale : {0.0, -2.0, inf, nan})
        EXPECT_EQ(EditorDocument(image, std::nullopt, scale).pixelScale(), 1.0) << scale;
}

TEST(EditorDocument, EveryChangeIsOneNamedStepThatUndoesAndRedoesExactly) {
    EditorDocument d(test::twoToneImage(200, 100), std::nullopt, 1);
    UndoManager& undo = d.undoManager();
    std::vector<qint64> revisionsSeen;
    QObject::connect(&d, &EditorDocument::revisionChanged, [&](qint64 r) {
        EXPECT_EQ(d.revision(), r); // the whole new state is in place by then
        revisionsSeen.push_back(r);
    });
    Annotation a = test::annotation(K::rectangle, QRectF(10, 10, 50, 30)), moved = a;
    moved.rect = QRectF(12, 10, 50, 30);
    Annotation counter = test::annotation(K::counter, QRectF(10, 10, 20, 20));
    counter.number = 4;
    const auto duplicate = [&] {
        // A copy lands 10 pixels down and right; a counter copy takes the next number.
        const auto id = d.duplicateAnnotation(counter.id);
        ASSERT_TRUE(id);
        EXPECT_EQ(d.annotations().back().id, *id);
        EXPECT_TRUE(geom::exactlyEqual(d.annotations().back().rect, QRectF(20, 20, 20, 20)));
        EXPECT_EQ(d.annotations().back().number, 5);
    };
    // Each change with its step's name; an empty name marks a change that changes nothing.
    const std::pair<std::function<void()>, QString> steps[] = {
        {[&] { d.addAnnotation(a); }, "Add Annotation"},
        {[&] { d.addAnnotation(a); }, {}},
        {[&] { d.addAnnotation(counter); }, "Add Annotation"},
        {[&] { d.updateAnnotation(a); }, {}},
        {[&] { d.updateAnnotation(moved); }, "Edit Annotation"},
        {[&] { d.reorder(counter.id, +1); }, {}},
        {[&] { d.deleteAnnotation(QUuid::createUuid()); }, {}},
        {[&] { d.move(a.id, StackEnd::front); }, "Bring to Front"},
        {[&] { d.reorder(a.id, -1); }, "Reorder Annotation"},
        {[&] { d.move(counter.id, StackEnd::back); }, "Send to Back"},
        {duplicate, "Add Annotation"},
        {[&] { d.deleteAnnotation(a.id); }, "Delete Annotation"},
        {[&] { d.setBackdrop(Backdrop::preset(Backdrop::Preset::paper, 1)); }, "Backdrop"},
        {[&] { d.setBackdrop(Backdrop::preset(Backdrop::Preset::paper, 1)); }, {}},
        {[&] { EXPECT_TRUE(d.setOutputSize(QSizeF(200.4, 100), std::nullopt)); }, {}},
        {[&] { EXPECT_TRUE(d.setOutputSize(QSizeF(100, 50), std::nullopt)); }, "Resize"},
        {[&] { EXPECT_TRUE(d.crop(QRectF(10, 10, 100, 50))); }, "Crop"},
        {[&] { EXPECT_FALSE(d.expandCanvas(0, 0.4, 0, 0)); }, {}},
        {[&] { EXPECT_TRUE(d.expandCanvas(5, 0, 0, 0)); }, "Expand Canvas"},
        {[&] { d.resetCrop(); }, "Reset Crop"},
        {[&] { EXPECT_EQ(d.flatten(), FlattenResult::flattened); }, "Flatten"},
    };
    for (const auto& [change, name] : steps) {
        SCOPED_TRACE(name.isEmpty() ? "no change" : name.toStdString());
        const qint64 revision = d.revision();
        const QString previousName = undo.undoActionName();
        change();
        EXPECT_EQ(d.revision(), revision + (name.isEmpty() ? 0 : 1));
        EXPECT_EQ(undo.undoActionName(), name.isEmpty() ? previousName : name);
    }
    EXPECT_TRUE(d.annotations().empty());

    // Undo then redo of every step lands exactly on the state after it, one revision each.
    std::vector<Snapshot> states;
    while (undo.canUndo()) {
        states.push_back(snapshot(d));
        const qint64 before = d.revision();
        ASSERT_TRUE(undo.undo());
        EXPECT_EQ(d.revision(), before + 1);
    }
    EXPECT_TRUE(d.annotations().empty());
    EXPECT_FALSE(d.backdrop());
    while (undo.canRedo()) {
        ASSERT_TRUE(undo.redo());
        EXPECT_EQ(snapshot(d), states.back());
        states.pop_back();
    }
    EXPECT_EQ(revisionsSeen.size(), static_cast<std::size_t>(d.revision()));

    // An outer group undoes the changes inside it together, under its own name.
    undo.beginGroup(QStringLiteral("Redact Text"));
    d.addAnnotation(test::annotation(K::redact, QRectF(1, 1, 5, 5)));
    d.addAnnotation(test::annotation(K::redact, QRectF(10, 1, 5, 5)));
    EXPECT_FALSE(undo.canUndo());
    undo.endGroup();
    EXPECT_EQ(undo.undoActionName(), "Redact Text");
    ASSERT_TRUE(undo.undo());
    EXPECT_TRUE(d.annotations().empty());
    EXPECT_EQ(undo.undoActionName(), "Flatten");
}

TEST(EditorDocument, MarksPastTheCropGrowItWithTheirMargin) {
    EditorDocument document(test::twoToneImage(100, 100), std::nullopt, 2);
    // A 5-pixel arrow 3 pixels past the right edge: 4 × 5 + 2 × 8 = 36 pixels of margin.
    Annotation a = arrow(QPointF(50, 50), QPointF(103, 50), 5);
    document.addAnnotation(a);
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(0, 0, 139, 100)));
    EXPECT_EQ(document.image().size(), QSize(139, 100));

    // Cropped back, the arrow sticks out; moved within its old reach, it leaves the crop alone.
    ASSERT_TRUE(document.crop(QRectF(0, 0, 100, 100)));
    a.end = QPointF(102, 52);
    document.updateAnnotation(a);
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(0, 0, 100, 100)));
    EXPECT_EQ(document.undoManager().undoActionName(), "Edit Annotation");

    // Effects and screenshot marks never grow it; an image overlay grows it without margin.
    for (K kind : {K::redact, K::blur, K::pixelate, K::erase, K::highlight, K::spotlight, K::magnifier})
        document.addAnnotation(test::annotation(kind, QRectF(-40, -40, 30, 30)));
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(0, 0, 100, 100)));
    Annotation overlay = test::annotation(K::image, QRectF(-10.5, 20, 30, 30));
    overlay.overlay = OverlayBudget::admit(test::filledImage(Qt::green, 4, 4)).value();
    document.addAnnotation(overlay);
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(-11, 0, 111, 100)));

    // Growth past the size caps is refused, but the mark is still added.
    const auto count = document.annotations().size();
    document.addAnnotation(test::annotation(K::rectangle, QRectF(0, 0, 20000, 10)));
    EXPECT_EQ(document.annotations().size(), count + 1);
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(-11, 0, 111, 100)));
}

TEST(EditorDocument, OutputSizeIsCheckedRoundedAndClearedByCanvasChanges) {
    EditorDocument document(test::twoToneImage(1200, 800), std::nullopt, 1);
    EXPECT_TRUE(document.setOutputSize(QSizeF(16384, 1953), ImageResampler::Quality::nearest));
    const auto refused = document.setOutputSize(QSizeF(16385, 10), std::nullopt);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.error(), (Error{"Quorvane.OutputSize", 1, "Each side can be at most 16,384 pixels."}));
    EXPECT_EQ(*document.outputSize(), QSizeF(16384, 1953));
    EXPECT_EQ(document.outputQuality(), ImageResampler::Quality::nearest);
    // At most 16,384 a side and 32,000,000 pixels, after rounding.
    for (const auto& [size, problem] : {std::pair(QSizeF(nan, 10), "Enter a width and height."),
                                        {QSizeF(0.4, 10), "Width and height must be at least 1 pixel."},
                                        {QSizeF(16384.5, 1), "Each side can be at most 16,384 pixels."},
                                        {QSizeF(16000, 2001), "The result can be at most 32 megapixels."},
                                        {QSizeF(16000, 2000), ""},
                                        {QSizeF(16384, 0.5), ""}})
        EXPECT_EQ(EditorDocument::outputSizeProblem(size).value_or(QString()), problem) << size.width();

    // Any change of the crop's size clears it; flatten keeps it.
    ASSERT_TRUE(document.setOutputSize(QSizeF(600, 400), std::nullopt));
    ASSERT_TRUE(document.crop(QRectF(0, 0, 600, 800)));
    EXPECT_FALSE(document.outputSize());
    ASSERT_TRUE(document.undoManager().undo());
    EXPECT_EQ(*document.outputSize(), QSizeF(600, 400));
    ASSERT_TRUE(document.crop(QRectF(0, 0, 600, 400)));
    ASSERT_TRUE(document.setOutputSize(QSizeF(300, 200), std::nullopt));
    EXPECT_EQ(document.flatten(), FlattenResult::flattened);
    EXPECT_EQ(*document.outputSize(), QSizeF(300, 200));

    // A backdrop's padding in output pixels widens the canvas in crop pixels.
    EditorDocument large(test::twoToneImage(1000, 500), std::nullopt, 2);
    EXPECT_EQ(large.canvasFitSize(), QSizeF(1000, 500));
    EXPECT_EQ(large.exportPointScale(), 2);
    ASSERT_TRUE(large.setOutputSize(QSizeF(500, 250), std::nullopt));
    Backdrop backdrop;
    backdrop.padding = 50;
    large.setBackdrop(backdrop);
    EXPECT_EQ(large.canvasFitSize(), QSizeF(1200, 700));
    EXPECT_EQ(large.exportPointScale(), 1);
    EXPECT_EQ(large.finalPixelSize(), QSizeF(600, 350));
    large.setBackdrop(std::nullopt);
    EXPECT_EQ(large.finalPixelSize(), QSizeF(500, 250));
}

TEST(EditorDocument, CropsShareTheBasePixelsAndExpansionsFillWithTheEdgeColour) {
    // White edges, a black top-left pixel and a green lower interior.
    QImage image = test::filledImage(Qt::white, 100, 100);
    image.setPixelColor(0, 0, Qt::black);
    QPainter(&image).fillRect(QRect(10, 50, 80, 40), Qt::green);
    EditorDocument document(image, std::nullopt, 1);
    // Whole pixels inside the current crop, relative to it.
    EXPECT_FALSE(document.crop(QRectF(50, 50, 51, 10)));
    EXPECT_FALSE(document.crop(QRectF(10, 10, 0, 10)));
    EXPECT_FALSE(document.crop(QRectF(10, nan, 5, 10)));
    ASSERT_TRUE(document.crop(QRectF(10.2, 40.7, 20, 20)));
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(10, 40, 21, 21)));
    ASSERT_TRUE(document.crop(QRectF(1, 12, 3, 4)));
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(11, 52, 3, 4)));
    const QImage& base = document.base()->image();
    EXPECT_EQ(document.image().constBits(), base.constScanLine(52) + 4 * 11);
    EXPECT_EQ(document.image().pixelColor(0, 0), QColor(Qt::green));
    document.resetCrop();
    EXPECT_EQ(document.image().constBits(), base.constBits());

    ASSERT_TRUE(document.crop(QRectF(0, 0, 100, 50)));
    for (const auto& [top, left] :
         std::vector<std::pair<double, double>>{{0.4, 0}, {10, -1}, {10, nan}, {16400, 0}})
        EXPECT_FALSE(document.expandCanvas(top, left, 0, 0)) << top << ", " << left;
    ASSERT_TRUE(document.expandCanvas(10, 20, 0, 0));
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(-20, -10, 120, 60)));
    // The base's top-left lands at (20, 10); base rows from 50 on are cut off.
    const QImage& canvas = document.image();
    ASSERT_EQ(canvas.size(), QSize(120, 60));
    EXPECT_EQ(canvas.pixelColor(20, 10), QColor(Qt::black));
    EXPECT_EQ(canvas.pixelColor(19, 10), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(50, 59), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::white));
}

TEST(EditorDocument, FlattenMakesTheCanvasTheNewBaseKeepingTwoBasesAtMost) {
    EditorDocument document(test::twoToneImage(100, 100), std::nullopt, 1);
    EXPECT_EQ(document.flatten(), FlattenResult::nothingToFlatten);
    EXPECT_EQ(document.revision(), 0);

    ASSERT_TRUE(document.crop(QRectF(0, 40, 100, 20)));
    const BaseImageRef original = document.base();
    EXPECT_EQ(document.flatten(), FlattenResult::flattened);
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(0, 0, 100, 20)));
    const QImage& flat = document.base()->image();
    EXPECT_EQ(flat.size(), QSize(100, 20));
    EXPECT_EQ(flat.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(flat.pixelColor(0, 19), QColor(0, 0, 255));
    EXPECT_NE(flat.constBits(), original->image().constScanLine(40)); // a copy, not a view
    ASSERT_TRUE(document.undoManager().undo());
    EXPECT_EQ(document.base(), original);
    ASSERT_TRUE(document.undoManager().redo());

    // A third live base would exceed two kept bases: older steps go, the flatten stays undoable.
    ASSERT_TRUE(document.crop(QRectF(0, 0, 50, 20)));
    EXPECT_EQ(document.flatten(), FlattenResult::flattened);
    ASSERT_TRUE(document.crop(QRectF(0, 0, 20, 20)));
    EXPECT_EQ(document.flatten(), FlattenResult::flattenedClearingHistory);
    ASSERT_TRUE(document.undoManager().undo());
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(0, 0, 20, 20)));
    EXPECT_FALSE(document.undoManager().canUndo());

    document.setBitmapAllocator(test::failingAllocator);
    const qint64 revision = document.revision();
    EXPECT_EQ(document.flatten(), FlattenResult::allocationFailed);
    EXPECT_EQ(document.revision(), revision);
    EXPECT_TRUE(document.undoManager().canRedo());
}

TEST(EditorDocument, ACanvasThatCannotBeMadeChangesNothingAndKeepsTheSteps) {
    EditorDocument document(test::twoToneImage(100, 100), std::nullopt, 1);
    ASSERT_TRUE(document.expandCanvas(0, 0, 0, 10));
    document.resetCrop();
    document.setBitmapAllocator(test::failingAllocator);
    const Snapshot before = snapshot(document);

    EXPECT_FALSE(document.expandCanvas(5, 0, 0, 0));
    EXPECT_FALSE(document.undoManager().undo());
    EXPECT_EQ(snapshot(document), before);
    EXPECT_EQ(document.revision(), 2);
    EXPECT_EQ(document.undoManager().undoActionName(), "Reset Crop");

    // The annotation is kept, on the canvas as it is.
    document.addAnnotation(arrow(QPointF(50, 50), QPointF(120, 50), 3));
    EXPECT_EQ(document.annotations().size(), 1u);
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(0, 0, 100, 100)));

    document.setBitmapAllocator(nullptr);
    ASSERT_TRUE(document.undoManager().undo());
    ASSERT_TRUE(document.undoManager().undo());
    EXPECT_TRUE(geom::exactlyEqual(document.cropRect(), QRectF(0, 0, 110, 100)));
}

} // namespace
} // namespace quorvane

#include "canvas/FullPreviewFrame.h"

#include "CanvasViewTesting.h"
#include "support/ImageCompare.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A rectangle dragged across effects, a spotlight and other marks: every frame, rendered only
// where it changed, must equal a full render of the same list.
TEST(FullPreviewFrame, EveryFrameEqualsAFullRender) {
    EditorDocument document(test::noiseImage(320, 200), std::nullopt, 1);
    document.addAnnotation(test::annotation(AnnotationKind::blur, QRectF(100, 40, 80, 60)));
    document.addAnnotation(test::annotation(AnnotationKind::pixelate, QRectF(170, 90, 70, 50)));
    Annotation lens = test::annotation(AnnotationKind::magnifier, QRectF(230, 20, 60, 60));
    lens.magnification = 2;
    document.addAnnotation(lens);
    Annotation label = test::annotation(AnnotationKind::text, QRectF(20, 150, 120, 30), Qt::yellow);
    label.text = QStringLiteral("Label");
    document.addAnnotation(label);
    document.addAnnotation(test::annotation(AnnotationKind::spotlight, QRectF(10, 10, 60, 60)));
    Annotation moving = test::annotation(AnnotationKind::rectangle, QRectF(5, 90, 40, 30), Qt::green);
    moving.fill = true;
    moving.strokeWidth = 3;
    document.addAnnotation(moving);
    const std::size_t index = document.annotations().size() - 1;

    FullPreviewFrame frames;
    int partial = 0;
    for (int step = 0; step <= 14; ++step) {
        std::vector<Annotation> list = document.annotations();
        list[index] = moving.translated(step * 19, step % 3 * 7);
        auto frame = frames.render(document, list);
        ASSERT_TRUE(frame);
        if (frame.value().changed) ++partial;
        auto full = EditorDocument::render(list, document.image(), document.cropRect());
        ASSERT_TRUE(full);
        EXPECT_TRUE(test::imagesNear(*frame.value().image, *full, 0)) << "step " << step;
    }
    EXPECT_EQ(partial, 14); // only the first frame renders everything

    // A new document revision starts over with a full render.
    document.addAnnotation(test::annotation(AnnotationKind::oval, QRectF(200, 150, 30, 30)));
    auto fresh = frames.render(document, document.annotations());
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(fresh.value().changed.has_value());
}

} // namespace
} // namespace quorvane

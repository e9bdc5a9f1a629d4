#include "canvas/EditorCanvasSettings.h"

#include "core/Geometry.h"
#include "document/EditorDocument.h"
#include "document/SystemColors.h"
#include "support/TestAnnotations.h"

#include <QLineF>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using K = AnnotationKind;

QImage image() {
    return test::twoToneImage(200, 100, Qt::blue, Qt::white);
}

Annotation make(K kind, const QRectF& rect) {
    return test::annotation(kind, rect, Qt::green);
}

TEST(EditorCanvasSettings, ToolTableAndToolColoursThatComeAndGo) {
    ASSERT_EQ(EditorCanvasSettings::tools().size(), 18);
    EXPECT_EQ(EditorCanvasSettings::toolTitle(QStringLiteral("Color")), "Color (I)");
    EXPECT_EQ(EditorCanvasSettings::toolTitle(QStringLiteral("Crop")), "Crop");
    EXPECT_FALSE(EditorCanvasSettings::toolForKey(QLatin1Char('c')));

    EditorCanvasSettings settings;
    EXPECT_FALSE(settings.drawingKind());
    settings.choose(QStringLiteral("Bracket"));
    EXPECT_EQ(settings.drawingKind(), K::bracketOpen);
    settings.setBracketKind(K::braceClose);
    settings.cycleBracket();
    EXPECT_EQ(settings.bracketKind(), K::bracketOpen);
    EXPECT_EQ(*settings.lastAnnouncement(), "Bracket: opening bracket");

    // Redact brings its own colour and clears the selection; the same tool again keeps the colour,
    // clears the rest and still announces; leaving it gives the user's colour back.
    settings.setColor(Qt::blue);
    settings.setSelectedID(QUuid::createUuid());
    settings.choose(QStringLiteral("Redact"));
    EXPECT_EQ(settings.color(), QColor(Qt::black));
    EXPECT_FALSE(settings.selectedID());
    settings.setSelection(QRectF(1, 2, 3, 4));
    settings.setMessage(QStringLiteral("busy"));
    settings.toggleCrop();
    settings.choose(QStringLiteral("Redact"));
    EXPECT_EQ(settings.color(), QColor(Qt::black));
    EXPECT_FALSE(settings.cropping() || settings.selection());
    EXPECT_TRUE(settings.message().isEmpty());
    EXPECT_EQ(*settings.lastAnnouncement(), "Redact tool");
    settings.choose(QStringLiteral("Highlight"));
    EXPECT_EQ(settings.color(), SystemColors::yellow());
    settings.choose(QStringLiteral("Arrow"));
    EXPECT_EQ(settings.color(), QColor(Qt::blue));

    // Only Select keeps the selected annotation.
    const QUuid id = QUuid::createUuid();
    settings.setSelectedID(id);
    settings.choose(QStringLiteral("Select"));
    EXPECT_EQ(settings.selectedID(), id);
}

TEST(EditorCanvasSettings, SelectLoadsTheWholeStyleApplyStyleWritesItBackAndToolsFollowIt) {
    EditorDocument document(image(), std::nullopt, 2);
    EditorCanvasSettings settings;
    settings.setPixelScale(2);
    Annotation text = make(K::text, QRectF(10, 10, 80, 30)),
               counter = make(K::counter, QRectF(40, 40, 20, 20));
    text.fontSize = 44;
    text.strokeWidth = 7;
    text.fill = true;
    counter.fontSize = 12;
    counter.number = 7;
    document.addAnnotation(text);
    document.addAnnotation(counter);

    // The pane restyles the selection on every colour change: it must see the loaded style.
    int restyles = 0;
    QObject::connect(&settings, &EditorCanvasSettings::colorChanged, [&] {
        ++restyles;
        settings.applyStyle(document);
    });
    const qint64 revision = document.revision();
    settings.select(text);
    EXPECT_EQ(restyles, 1);
    EXPECT_EQ(settings.fontPoints(), 22);
    EXPECT_EQ(settings.strokeWidth(), 7);
    EXPECT_TRUE(settings.fill());
    EXPECT_EQ(document.revision(), revision);
    text.fontSize = 45;
    settings.select(text);
    EXPECT_EQ(settings.fontPoints(), 23); // 22.5 rounds away from zero

    // A counter of 18 pt at scale 2 is 36 px with a 58 × 58 square around the same centre.
    settings.select(counter);
    settings.setFontPoints(18);
    settings.applyStyle(document);
    const Annotation& restyled = document.annotations().back();
    EXPECT_EQ(restyled.fontSize, 36);
    EXPECT_EQ(restyled.rect, QRectF(21, 21, 58, 58));
    EXPECT_EQ(document.undoManager().undoActionName(), "Edit Annotation");
    const qint64 restyledRevision = document.revision();
    settings.applyStyle(document);
    EXPECT_EQ(document.revision(), restyledRevision);

    // A spotlight's fill is its shape, not the fill switch; effects have no stroke or fill.
    Annotation spotlight = make(K::spotlight, QRectF(0, 0, 30, 30));
    spotlight.fill = true;
    settings.select(spotlight);
    EXPECT_TRUE(settings.spotlightOval() && !settings.fill());
    settings.select(std::nullopt);
    EXPECT_FALSE(settings.selectedID());
    settings.choose(QStringLiteral("Blur"));
    EXPECT_TRUE(settings.strokeAndFillDisabled(document));
    settings.choose(QStringLiteral("Select"));
    settings.setSelectedID(counter.id);
    EXPECT_FALSE(settings.strokeAndFillDisabled(document));

    // New marks take the tool style; a new counter takes the number after the largest.
    const auto tool = settings.toolAnnotation(K::counter, QRectF(10, 10, 100, 20), document);
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->rect, QRectF(31, -9, 58, 58));
    EXPECT_EQ(tool->fontSize, 36);
    EXPECT_EQ(tool->number, 8);
    settings.setMagnification(3);
    const auto magnifier = settings.toolAnnotation(K::magnifier, QRectF(10, 10, 100, 20), document);
    EXPECT_EQ(magnifier->rect, QRectF(50, 10, 20, 20));
    EXPECT_EQ(magnifier->start, QPointF(60, 20));
    const auto freehand = settings.toolAnnotation(K::freehand, QRectF(0, 0, 40, 20), document);
    ASSERT_EQ(freehand->points.size(), 49u);
    EXPECT_NEAR(freehand->points.back().x(), freehand->points.front().x(), 1e-9);
    EXPECT_NEAR(freehand->rect.width(), 40, 1e-9);
    EXPECT_FALSE(settings.toolAnnotation(K::arrow, QRectF(0, 0, 4, 4), document));

    // The setters change a selected annotation of their own kind only.
    settings.setSelectedID(text.id);
    const qint64 unchanged = document.revision();
    settings.setMagnification(4, document);
    EXPECT_EQ(settings.magnification(), 4);
    EXPECT_EQ(document.revision(), unchanged);
    document.addAnnotation(*magnifier);
    settings.setSelectedID(magnifier->id);
    settings.setMagnification(5, document);
    EXPECT_EQ(document.annotations().back().magnification, 5);

    // A freehand line grows only by points far enough apart.
    Annotation line = make(K::freehand, QRectF());
    EXPECT_TRUE(line.extended(QPointF(9, 9), 1).points.empty());
    line.points = {QPointF(0, 0)};
    line = line.extended(QPointF(1, 1), 2).extended(QPointF(3, 4), 2).extended(QPointF(std::nan(""), 0), 2);
    EXPECT_EQ(line.points.size(), 2u);
    EXPECT_EQ(line.rect, QRectF(0, 0, 3, 4));
}

// A rectangle dragged up or to the left arrives with a negative size; the loop must still start
// on the right and run the same way round as for the standardised rectangle.
TEST(EditorCanvasSettings, FreehandLoopIgnoresWhichWayTheRectangleWasDragged) {
    EditorDocument document(image(), std::nullopt, 1);
    EditorCanvasSettings settings;
    const auto reference = settings.toolAnnotation(K::freehand, QRectF(0, 0, 40, 20), document);
    ASSERT_TRUE(reference);
    EXPECT_TRUE(geom::exactlyEqual(reference->points[0], QPointF(40, 10)));
    EXPECT_GT(reference->points[12].y(), 10);
    for (const QRectF& dragged : {QRectF(40, 0, -40, 20), QRectF(0, 20, 40, -20), QRectF(40, 20, -40, -20)}) {
        const auto freehand = settings.toolAnnotation(K::freehand, dragged, document);
        ASSERT_TRUE(freehand);
        ASSERT_EQ(freehand->points.size(), reference->points.size());
        for (std::size_t i = 0; i < freehand->points.size(); ++i)
            EXPECT_NEAR(QLineF(freehand->points[i], reference->points[i]).length(), 0, 1e-9)
                << dragged.width() << " x " << dragged.height() << ", point " << i;
        EXPECT_TRUE(geom::exactlyEqual(freehand->rect, reference->rect));
    }
}

class FakeReview : public TextRedactionReview {
public:
    explicit FakeReview(EditorDocument* document) : document_(document) {}
    void cancel() override { ++cancels; }
    EditorDocument* document() const override { return document_; }
    int cancels = 0;

private:
    EditorDocument* document_;
};

TEST(EditorCanvasSettings, ModesEndTheSmartModesAndRecognitionTakesTheRenderedSelection) {
    EditorDocument document(image(), std::nullopt, 1);
    document.addAnnotation(make(K::redact, QRectF(0, 0, 10, 10)));
    EditorCanvasSettings settings;
    auto* review = new FakeReview(&document);
    settings.setTextRedaction(review);
    document.setTextRedactionReview(review);
    settings.setAreaColors(AreaColors{QRectF(0, 0, 2, 2), SampledColor{1, 2, 3, 255}, std::nullopt});
    settings.startRecognizing();
    EXPECT_EQ(review->cancels, 1);
    EXPECT_FALSE(settings.textRedaction() || settings.areaColors());
    EXPECT_EQ(document.textRedactionReview(), nullptr);
    EXPECT_TRUE(settings.recognizing());
    EXPECT_EQ(settings.message(), "Drag over the text to recognize, or press Return for the whole image.");

    // The whole image, then a selection, rendered with the annotations.
    QStringList delivered;
    settings.recognizeHandler = [&](const QImage& picture, const QString& source) {
        delivered << QStringLiteral("%1 %2x%3").arg(source).arg(picture.width()).arg(picture.height());
        EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::green));
    };
    settings.finishRecognizing(document);
    settings.finishRecognizing(document); // no longer in the mode: nothing
    settings.startRecognizing();
    settings.setSelection(QRectF(0, 0, 20, 30));
    settings.finishRecognizing(document);
    EXPECT_EQ(delivered, QStringList({"Editor image 200x100", "Editor selection 20x30"}));
    EXPECT_FALSE(settings.recognizing());
    settings.setSelection(QRectF(190, 0, 11, 10));
    const auto outside = settings.recognitionImage(document);
    ASSERT_FALSE(outside.ok());
    EXPECT_EQ(outside.error().domain, "Quorvane.OCR");
    EXPECT_EQ(outside.error().message, "Select a non-empty area entirely inside the image.");

    // Crop mode ends recognition and keeps going until the selection fits.
    settings.startRecognizing();
    settings.toggleCrop();
    EXPECT_TRUE(settings.cropping());
    EXPECT_FALSE(settings.recognizing());
    settings.setSelection(QRectF(10, 10, 500, 10));
    settings.applyCrop(document);
    EXPECT_TRUE(settings.cropping());
    EXPECT_EQ(settings.message(), "Select a non-empty area entirely inside the image.");
    settings.setSelection(QRectF(10.5, 10, 50, 20));
    settings.applyCrop(document);
    EXPECT_FALSE(settings.cropping());
    EXPECT_EQ(*settings.lastAnnouncement(), "Cropped to 51 by 20 pixels");
}

TEST(SampledColor, HexAndRgbTexts) {
    EXPECT_EQ((SampledColor{255, 0, 0, 255}.hex()), "#FF0000");
    EXPECT_EQ((SampledColor{30, 144, 255, 128}.hex()), "#1E90FF80");
    EXPECT_EQ((SampledColor{255, 0, 0, 255}.rgbString()), "rgb(255, 0, 0)");
    EXPECT_EQ((SampledColor{255, 0, 0, 128}.rgbString()), "rgba(255, 0, 0, 0.5)");
    EXPECT_EQ((SampledColor{0, 0, 0, 0}.rgbString()), "rgba(0, 0, 0, 0)");
    EXPECT_EQ((SampledColor{0, 0, 0, 254}.rgbString()), "rgba(0, 0, 0, 1)");
    EXPECT_EQ(measurementUnit(QStringLiteral("points")), MeasurementUnit::points);
    EXPECT_FALSE(measurementUnit(QStringLiteral("Points")));
    EXPECT_EQ(labelSuffix(MeasurementUnit::pixels), "px");
}

} // namespace
} // namespace quorvane

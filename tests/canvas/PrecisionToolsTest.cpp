#include "canvas/PrecisionTools.h"

#include "MouseTesting.h"
#include "canvas/ColorLoupeView.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/RulerOverlayView.h"
#include "platform/SystemClipboard.h"
#include "support/CountingBeeper.h"
#include "support/NumberFonts.h"
#include "support/QtPrinters.h"
#include "support/RefusingClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::filledImage;

// White 200 × 100 with a red block at (50, 20, 40, 30), shown one pixel a point.
QImage picture() {
    QImage image = filledImage(Qt::white, 200, 100);
    QPainter(&image).fillRect(QRect(50, 20, 40, 30), Qt::red);
    return image;
}

struct PrecisionCanvas : test::MouseCanvas {
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    test::CountingBeeper beeper;
    PrecisionTools* tools = nullptr;

    PrecisionCanvas() : MouseCanvas(1, picture()) {
        auto installed = std::make_unique<PrecisionTools>(*view, clipboard, beeper);
        tools = installed.get();
        view->setPrecisionTools(std::move(installed));
    }
    void hover(double x, double y) {
        mouse.send(QEvent::MouseMove, mouse.at(x, y), Qt::NoButton, Qt::NoButton, {});
    }
    void choose(const char* tool) {
        settings.choose(QString::fromLatin1(tool));
        view->refresh();
    }
    QString clipboardText() const { return QGuiApplication::clipboard()->text(); }
};

TEST(PrecisionTools, ColorClickCopiesThePixelAndOutsideBeeps) {
    PrecisionCanvas c;
    c.choose("Color");
    c.settings.modes().setSelection(QRectF(1, 1, 5, 5));
    c.mouse.click(c.mouse.at(60.5, 30.5));
    EXPECT_EQ(c.clipboardText(), "#FF0000");
    EXPECT_EQ(c.settings.modes().message(), "Copied #FF0000");
    EXPECT_EQ(c.settings.lastAnnouncement(), "Copied color #FF0000");
    EXPECT_FALSE(c.settings.modes().selection());

    c.mouse.click(c.mouse.at(10.5, 10.5), Qt::AltModifier);
    EXPECT_EQ(c.clipboardText(), "rgb(255, 255, 255)");

    c.mouse.click(c.mouse.at(-20, 10));
    EXPECT_EQ(c.beeper.beeps, 1);
    EXPECT_EQ(c.clipboardText(), "rgb(255, 255, 255)");
}

TEST(PrecisionTools, ARefusedCopyIsNotReportedAsCopied) {
    PrecisionCanvas c;
    test::RefusingClipboard refusing;
    c.view->setPrecisionTools(std::make_unique<PrecisionTools>(*c.view, refusing, c.beeper));
    c.choose("Color");
    for (const QPointF to : {QPointF(60.5, 30.5), QPointF(70, 40)}) {
        c.view->precisionTools().sampleColor(c.mouse.at(60.5, 30.5), c.mouse.at(to), false);
        EXPECT_FALSE(c.settings.modes().message().startsWith("Copied"))
            << c.settings.modes().message().toStdString();
        EXPECT_TRUE(c.settings.modes().message().contains("#FF0000"));
    }
}

TEST(PrecisionTools, AColorDragOfFourPointsSamplesTheArea) {
    PrecisionCanvas c;
    c.choose("Color");
    // 3 points or less is a click.
    EXPECT_FALSE(c.tools->colorArea(c.mouse.at(10, 10), c.mouse.at(13, 10)));
    c.mouse.drag(c.mouse.at(52, 22), c.mouse.at(56, 25));
    ASSERT_TRUE(c.settings.modes().areaColors());
    EXPECT_EQ(c.settings.modes().selection(), QRectF(52, 22, 4, 3));
    EXPECT_EQ(c.clipboardText(), "#FF0000");
    EXPECT_TRUE(c.settings.modes().message().startsWith("Copied average #FF0000"))
        << c.settings.modes().message().toStdString();
    EXPECT_EQ(c.settings.lastAnnouncement(), "Copied average color #FF0000");
}

TEST(PrecisionTools, LoupeFollowsThePointerFlipsNearTheEdgesAndSamplesEditsAnew) {
    const QRectF bounds(0, 0, 400, 300);
    EXPECT_EQ(PrecisionTools::loupeOrigin({300, 20}, bounds).x(), 300 - 151 - 24);
    EXPECT_EQ(PrecisionTools::loupeOrigin({100, 20}, bounds).x(), 124);
    EXPECT_EQ(PrecisionTools::loupeOrigin({100, 20}, bounds).y(), 44);
    EXPECT_EQ(PrecisionTools::loupeOrigin({100, 200}, bounds).y(), 200 - 201 - 24);

    PrecisionCanvas c;
    c.choose("Color");
    c.hover(60, 30);
    EXPECT_TRUE(c.view->loupe().isVisible());
    EXPECT_EQ(c.settings.modes().hoverColor(), (SampledColor{255, 0, 0, 255}));
    const int redraws = c.view->loupe().updateCount();
    c.hover(60.3, 30.3); // the same pixel
    EXPECT_EQ(c.view->loupe().updateCount(), redraws);
    c.hover(-30, 10);
    EXPECT_FALSE(c.view->loupe().isVisible());
    EXPECT_FALSE(c.settings.modes().hoverColor());

    // An edited document is sampled anew.
    Annotation cover = test::annotation(AnnotationKind::rectangle, QRectF(140, 70, 20, 20), Qt::blue);
    cover.fill = true;
    c.add(cover);
    c.hover(150, 80);
    EXPECT_EQ(c.settings.modes().hoverColor(), (SampledColor{0, 0, 255, 255}));
    c.choose("Ruler");
    EXPECT_FALSE(c.view->loupe().isVisible());
}

TEST(PrecisionTools, HoverRulersMeasureEdgeToEdgeUntilAManualMeasurement) {
    PrecisionCanvas c;
    c.choose("Ruler");
    c.hover(60.5, 30.5);
    ASSERT_TRUE(c.view->rulerHorizontal().measurement);
    EXPECT_EQ(*c.view->rulerHorizontal().measurement, (Measurement{{50, 30.5}, {90, 30.5}}));
    EXPECT_EQ(*c.view->rulerVertical().measurement, (Measurement{{60.5, 20}, {60.5, 50}}));
    EXPECT_EQ(c.settings.modes().measurementLabel(), QString::fromUtf8("↔ 40 px   ↕ 30 px"));
    EXPECT_TRUE(c.view->rulerHorizontal().isVisible());

    c.mouse.drag(c.mouse.at(10, 10), c.mouse.at(13, 14));
    EXPECT_EQ(c.settings.lastAnnouncement(), QString::fromUtf8("Measured 3 × 4 · 5 px"));
    EXPECT_TRUE(c.view->rulerManual().isVisible());
    EXPECT_EQ(c.settings.modes().measurementLabel(), QString::fromUtf8("3 × 4 · 5 px"));

    // Frozen: hovering elsewhere and leaving the view change nothing.
    c.hover(150, 80);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(c.view.get(), &leave);
    EXPECT_EQ(c.settings.modes().measurementLabel(), QString::fromUtf8("3 × 4 · 5 px"));
    EXPECT_TRUE(c.view->rulerManual().isVisible());

    c.choose("Select");
    EXPECT_FALSE(c.view->rulerManual().measurement);
    EXPECT_FALSE(c.view->rulerHorizontal().measurement);
    EXPECT_FALSE(c.view->rulerManual().isVisible());
    EXPECT_FALSE(c.settings.modes().measurementLabel());
}

TEST(PrecisionTools, CropAndRecogniseModesMakeBothToolsQuiet) {
    for (const char* tool : {"Ruler", "Color"}) {
        PrecisionCanvas c;
        c.choose(tool);
        c.settings.modes().setCropping(true);
        c.view->refresh();
        c.hover(60, 30);
        EXPECT_FALSE(c.view->loupe().isVisible()) << tool;
        EXPECT_FALSE(c.settings.modes().measurementLabel()) << tool;
        c.settings.modes().setCropping(false);
        c.settings.modes().setRecognizing(true);
        c.view->refresh();
        c.hover(60, 30);
        EXPECT_FALSE(c.settings.modes().hoverColor()) << tool;
        EXPECT_FALSE(c.view->rulerHorizontal().measurement) << tool;
    }
}

TEST(PrecisionTools, HoverToolsFollowThePointerOnlyInTheActiveWindow) {
    for (const char* tool : {"Ruler", "Color"}) {
        PrecisionCanvas c;
        c.choose(tool);
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        ASSERT_FALSE(c.view->isActiveWindow());
        c.hover(60.5, 30.5);
        EXPECT_FALSE(c.view->loupe().isVisible()) << tool;
        EXPECT_FALSE(c.settings.modes().hoverColor()) << tool;
        EXPECT_FALSE(c.view->rulerHorizontal().measurement) << tool;
        EXPECT_FALSE(c.settings.modes().measurementLabel()) << tool;

        QApplication::setActiveWindow(c.view.get());
        c.hover(60.5, 30.5);
        EXPECT_EQ(c.settings.modes().hoverColor().has_value(), std::string(tool) == "Color") << tool;
        EXPECT_EQ(c.view->rulerHorizontal().measurement.has_value(), std::string(tool) == "Ruler") << tool;
    }
}

TEST(PrecisionTools, IncreaseContrastMakesThePillOpaque) {
    for (const bool contrast : {false, true}) {
        PrecisionCanvas c;
        c.settings.increaseContrast = [contrast] { return contrast; };
        c.choose("Ruler");
        c.hover(60.5, 30.5);
        const QImage shot = c.view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        // The vertical ruler's pill sits right of its line, 8 points off, over the red block.
        const QPoint inPill = c.mouse.at(60.5 + 10, 35).toPoint();
        const int red = qRed(shot.pixel(inPill));
        if (contrast)
            EXPECT_EQ(red, 0);
        else
            EXPECT_NEAR(red, 51, 4);
    }
}

// The ruler's pill and the loupe's colour values and position are set in the system font with
// digits of one width; only the loupe's hexadecimal line is monospaced.
TEST(PrecisionTools, ReadingsUseTheSystemFontWithDigitsOfOneWidth) {
    EXPECT_EQ(test::unevenNumbers(RulerOverlayView::pillFont()), "");
    EXPECT_EQ(RulerOverlayView::pillFont().pixelSize(), 12);
    EXPECT_EQ(test::unevenNumbers(ColorLoupeView::valueFont()), "");
    EXPECT_TRUE(QFontInfo(ColorLoupeView::hexFont()).fixedPitch());
}

} // namespace
} // namespace quorvane

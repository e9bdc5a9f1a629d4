#include "canvas/EditorCanvasPane.h"

#include "canvas/EditorCanvasView.h"
#include "core/AccessibilityOptions.h"
#include "support/TestAnnotations.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace quorvane {
namespace {

struct ShownPane {
    std::unique_ptr<EditorDocument> document;
    std::vector<QString> recognised;
    std::unique_ptr<EditorCanvasPane> pane;

    explicit ShownPane(double pixelScale = 1)
        : document(std::make_unique<EditorDocument>(test::filledImage(Qt::white, 200, 120), std::nullopt,
                                                    pixelScale)) {
        pane = std::make_unique<EditorCanvasPane>(
            *document, [this](const QImage&, const QString& label) { recognised.push_back(label); }, nullptr);
        pane->resize(400, 300);
        pane->show();
        settle();
    }
    EditorCanvasSettings& settings() { return pane->settings(); }
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
};

TEST(EditorCanvasPane, StyleControlsRestyleOnlyTheSelectedAnnotation) {
    ShownPane shown;
    const Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 40, 30));
    shown.document->addAnnotation(box);
    const qint64 revision = shown.document->revision();
    shown.settings().style().setColor(Qt::green);
    ShownPane::settle();
    EXPECT_EQ(shown.document->revision(), revision);

    Annotation spotlight = test::annotation(AnnotationKind::spotlight, QRectF(60, 20, 50, 40));
    spotlight.fill = true; // oval
    shown.document->addAnnotation(spotlight);
    shown.settings().select(spotlight);
    ShownPane::settle();
    shown.settings().style().setStrokeWidth(9);
    ShownPane::settle();
    const Annotation restyled = shown.document->annotations().back();
    EXPECT_DOUBLE_EQ(restyled.strokeWidth, 9);
    EXPECT_EQ(restyled.rect, spotlight.rect);
    EXPECT_TRUE(restyled.fill);
}

TEST(EditorCanvasPane, SelectingRecordsNoUndoStep) {
    ShownPane shown(2);
    // 37 pixels at 2 pixels a point shows as 19 points; writing that back would be an edit.
    Annotation text = test::annotation(AnnotationKind::text, QRectF(10, 10, 60, 30));
    text.text = QStringLiteral("x");
    text.fontSize = 37;
    shown.document->addAnnotation(text);
    ShownPane::settle();
    const qint64 revision = shown.document->revision();
    shown.settings().select(text);
    ShownPane::settle();
    EXPECT_EQ(shown.document->revision(), revision);
    EXPECT_DOUBLE_EQ(shown.document->annotations().front().fontSize, 37);
}

TEST(EditorCanvasPane, RecogniseActionInCropMode) {
    ShownPane shown;
    shown.settings().toggleCrop();
    shown.settings().modes().setSelection(QRectF(10, 10, 50, 30));
    shown.pane->recognize();
    EXPECT_EQ(shown.recognised, std::vector<QString>{QStringLiteral("Editor selection")});
    EXPECT_TRUE(shown.settings().modes().cropping());

    shown.settings().modes().setSelection(std::nullopt);
    shown.pane->recognize();
    EXPECT_TRUE(shown.settings().modes().recognizing());
    EXPECT_EQ(shown.recognised.size(), 1u);
}

TEST(EditorCanvasPane, DocumentChangesRedrawTheCanvasOnTheNextTurn) {
    ShownPane shown;
    const qint64 before = shown.pane->canvas().drawnRevision();
    shown.document->addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 40, 30)));
    shown.document->addAnnotation(test::annotation(AnnotationKind::oval, QRectF(10, 10, 40, 30)));
    EXPECT_EQ(shown.pane->canvas().drawnRevision(), before);
    ShownPane::settle();
    EXPECT_EQ(shown.pane->canvas().drawnRevision(), shown.document->revision());
}

TEST(EditorCanvasPane, ViewToolAndModeChangesReachTheCanvasOnTheNextTurn) {
    ShownPane shown;
    const Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 40, 30));
    shown.document->addAnnotation(box);
    ShownPane::settle();
    const struct {
        const char* what;
        std::function<void(EditorCanvasSettings&)> change;
    } changes[] = {
        {"zoom", [](EditorCanvasSettings& s) { s.viewport().setFit(false); }},
        {"tool", [](EditorCanvasSettings& s) { s.choose(QStringLiteral("Oval")); }},
        {"selected", [&box](EditorCanvasSettings& s) { s.modes().setSelectedID(box.id); }},
    };
    for (const auto& c : changes) {
        c.change(shown.settings());
        ShownPane::settle();
        EXPECT_EQ(shown.pane->canvas().accessibilityValue().toStdString(),
                  shown.pane->canvas().accessibilityDescription().toStdString())
            << c.what;
    }
}

TEST(EditorCanvasPane, IncreasedContrastDrawsBlackAndWhiteOutlines) {
    AccessibilityOptions options;
    EditorDocument document(test::filledImage(QColor(128, 128, 128), 200, 120), std::nullopt, 1);
    EditorCanvasPane pane(document, {}, &options);
    pane.resize(300, 250);
    pane.show();
    const Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(40, 40, 80, 40));
    document.addAnnotation(box);
    pane.settings().modes().setSelectedID(box.id);
    ShownPane::settle();
    const auto colours = [&] {
        const QImage shot = pane.canvas().grab().toImage();
        std::set<QRgb> seen;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                seen.insert(shot.pixel(x, y) & 0xffffff);
        return seen;
    };
    EXPECT_FALSE(colours().count(0xffffff));
    options.setIncreaseContrast(true);
    ShownPane::settle();
    const auto seen = colours();
    EXPECT_TRUE(seen.count(0xffffff));
    EXPECT_TRUE(seen.count(0x000000));
}

TEST(EditorCanvasPane, StacksToolBarCanvasAndStatusBarWithTheToastOverTheCanvas) {
    ShownPane shown;
    auto* toolBar = new QLabel(QStringLiteral("tools"));
    auto* statusBar = new QLabel(QStringLiteral("status"));
    shown.pane->setToolBar(toolBar);
    shown.pane->setStatusBar(statusBar);
    ShownPane::settle();
    const QRect canvas = shown.pane->canvas().geometry();
    EXPECT_EQ(toolBar->parentWidget(), shown.pane.get());
    EXPECT_LE(toolBar->geometry().bottom(), canvas.top());
    EXPECT_GE(statusBar->geometry().top(), canvas.bottom());

    shown.settings().modes().setMessage(QStringLiteral("Crop applied."));
    auto* toast = shown.pane->canvas().findChild<QLabel*>();
    ASSERT_NE(toast, nullptr);
    EXPECT_TRUE(toast->isVisible());
    EXPECT_TRUE(toast->text().endsWith(QLatin1String("Crop applied.")));
    EXPECT_EQ(toast->geometry().bottom() + 1, canvas.height() - 12);
    EXPECT_NEAR(toast->geometry().center().x(), canvas.width() / 2, 1);
}

TEST(EditorCanvasPane, ClosingThePaneKeepsTheTypedText) {
    ShownPane shown;
    Annotation text = test::annotation(AnnotationKind::text, QRectF(10, 10, 60, 30));
    shown.pane->canvas().beginTextEditing(text);
    ASSERT_TRUE(shown.settings().modes().editingText());
    shown.pane->canvas().findChild<QPlainTextEdit*>()->insertPlainText(QStringLiteral("kept"));
    shown.pane.reset();
    ASSERT_EQ(shown.document->annotations().size(), 1u);
    EXPECT_EQ(shown.document->annotations().front().text, QStringLiteral("kept"));
}

} // namespace
} // namespace quorvane

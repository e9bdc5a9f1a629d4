#include "editor_window/CompositionControls.h"

#include "canvas/AnnotationTextEditor.h"
#include "canvas/CanvasViewTesting.h"
#include "editor_window/SymbolIcons.h"
#include "imaging/EraseCheck.h"
#include "support/NumberFonts.h"
#include "support/QtPrinters.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QToolButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct Controls {
    EditorDocument document{test::filledImage(Qt::white, 400, 300), std::nullopt, 1};
    EditorCanvasSettings settings;
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    std::unique_ptr<CompositionControls> view;

    void show(const QUuid& id) {
        view = std::make_unique<CompositionControls>(document, settings, id, icons);
        view->show();
    }
    QSlider* slider() { return view->findChild<QSlider*>(QStringLiteral("opacity")); }
    QLabel* percent() { return view->findChild<QLabel*>(QStringLiteral("percent")); }
    QStringList arrangeItems() {
        QStringList titles;
        for (QAction* a : view->findChild<QToolButton*>(QStringLiteral("arrange"))->menu()->actions())
            titles << (a->isSeparator() ? QStringLiteral("—") : a->text());
        return titles;
    }
    void arrange(const QString& title) {
        for (QAction* a : view->findChild<QToolButton*>(QStringLiteral("arrange"))->menu()->actions())
            if (a->text() == title) return a->trigger();
        FAIL() << title.toStdString();
    }
    Annotation overlay() {
        auto added = document.addOverlay(test::twoToneImage(40, 20), std::nullopt, std::nullopt);
        return added.value();
    }
};

TEST(CompositionControls, TheSliderShowsOnlyForImageOverlays) {
    Controls c;
    Annotation text = test::annotation(AnnotationKind::text, QRectF(10, 10, 80, 30));
    text.text = QStringLiteral("Note");
    c.document.addAnnotation(text);
    const Annotation arrow = test::annotation(AnnotationKind::arrow, QRectF(10, 50, 80, 30));
    c.document.addAnnotation(arrow);
    const Annotation image = c.overlay();
    for (const auto& [id, slider] : {std::pair{text.id, false}, {arrow.id, false}, {image.id, true}}) {
        c.show(id);
        EXPECT_TRUE(c.view->findChild<QToolButton*>(QStringLiteral("arrange"))->isVisible());
        EXPECT_EQ(c.slider()->isVisible(), slider);
        EXPECT_EQ(c.percent()->isVisible(), slider);
    }
    EXPECT_EQ(c.arrangeItems(),
              (QStringList{"Bring to Front", "Send to Back", "—", "Align Left", "Align Center", "Align Right",
                           "Align Top", "Align Middle", "Align Bottom"}));
    EXPECT_EQ(c.percent()->text(), "100%");
    EXPECT_EQ(test::unevenNumbers(c.percent()->font()), "");
    // Gone from the document: no slider, and the read-out falls back to 100.
    c.show(QUuid::createUuid());
    EXPECT_FALSE(c.slider()->isVisible());
    EXPECT_EQ(c.view->percent(), 100);
}

TEST(CompositionControls, ADragIsOneStepAndTheReadOutFollowsTheDraft) {
    Controls c;
    const Annotation image = c.overlay();
    c.show(image.id);
    const qint64 revision = c.document.revision();
    QSlider* slider = c.slider();
    slider->setSliderDown(true);
    for (int position : {900, 700, 125})
        slider->setSliderPosition(position);
    EXPECT_EQ(c.percent()->text(), "13%");
    slider->setSliderPosition(994);
    EXPECT_EQ(c.percent()->text(), "99%");
    slider->setSliderPosition(400);
    EXPECT_EQ(c.percent()->text(), "40%");
    EXPECT_EQ(c.document.revision(), revision);
    slider->setSliderDown(false);
    EXPECT_EQ(c.document.revision(), revision + 1);
    EXPECT_EQ(c.document.annotations().back().opacity, 0.4);
    c.document.undoManager().undo();
    EXPECT_EQ(c.document.annotations().back().opacity, 1);

    // A key step or a click on the track arrives without a drag and writes at once.
    c.show(image.id);
    slider = c.slider();
    slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(c.document.annotations().back().opacity, 0.99);
    slider->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(c.document.annotations().back().opacity, 0.89);
    EXPECT_EQ(c.percent()->text(), "89%");
}

// Qt's slider speaks its bare number; this one speaks its value as a percentage, and keeps
// its number, bounds and steps for assistive technology that adjusts it.
TEST(CompositionControls, TheOpacitySliderSpeaksItsValueInPercent) {
    Controls c;
    const Annotation image = c.overlay();
    c.show(image.id);
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(c.slider());
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    EXPECT_EQ(slider->text(QAccessible::Name), "Image opacity");
    EXPECT_EQ(slider->text(QAccessible::Value), "100 percent");
    ASSERT_NE(slider->valueInterface(), nullptr);
    EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), c.slider()->value());
    ASSERT_NE(slider->actionInterface(), nullptr);
    slider->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(c.document.annotations().back().opacity, 0.99);
    EXPECT_EQ(slider->text(QAccessible::Value), "99 percent");
}

TEST(CompositionControls, ArrangeEndsTextEditingFirstAndShowsARefusedAlignment) {
    test::ShownCanvas canvas(test::filledImage(Qt::white, 300, 200), {300, 200});
    canvas.showActualSize();
    Annotation text = test::annotation(AnnotationKind::text, QRectF(20, 30, 80, 40), Qt::black);
    text.text = QStringLiteral("Hello");
    text.fontSize = 18;
    canvas.add(text);
    const Annotation box = canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(150, 30, 40, 40)));
    canvas.view->beginTextEditing(canvas.document->annotations().front());
    ASSERT_TRUE(canvas.view->textEditor().isOpen());

    SymbolIcons icons{SymbolIcons::Theme::ignore};
    CompositionControls controls(*canvas.document, canvas.settings, text.id, icons);
    QMenu* menu = controls.findChild<QToolButton*>(QStringLiteral("arrange"))->menu();
    menu->actions().front()->trigger(); // Bring to Front
    EXPECT_FALSE(canvas.view->textEditor().isOpen());
    ASSERT_EQ(canvas.document->annotations().size(), 2u);
    EXPECT_EQ(canvas.document->annotations().back().id, text.id);
    EXPECT_EQ(canvas.document->annotations().front().id, box.id);

    // An erase that a line crosses cannot move; its refusal becomes the canvas message.
    const Annotation erase =
        canvas.add(test::annotation(AnnotationKind::erase, QRectF(0, 95, 10, 10), Qt::white));
    Annotation line = test::annotation(AnnotationKind::arrow, QRectF());
    line.start = QPointF(2, 100);
    line.end = QPointF(298, 100);
    canvas.add(line);
    CompositionControls eraseControls(*canvas.document, canvas.settings, erase.id, icons);
    for (QAction* a : eraseControls.findChild<QToolButton*>(QStringLiteral("arrange"))->menu()->actions())
        if (a->text() == QLatin1String("Align Center")) a->trigger();
    EXPECT_EQ(canvas.settings.modes().message(), EraseCheck::busyMessage);
}

} // namespace
} // namespace quorvane

// The editor window as a screen reader walks it: every object it meets has a name, no control
// says its name twice (as its description, or at the start of it: "Copy Image (Ctrl+C)") or ends
// its description at a colon, and the colour well and the zoom menu say their values.

#include "ChromeTesting.h"
#include "EditorViewRig.h"
#include "editor_window/ChromeText.h"
#include "editor_window/ColorWell.h"
#include "editor_window/EditorChrome.h"
#include "editor_window/EditorToolBar.h"
#include "editor_window/StrokeMenu.h"
#include "editor_window/TextSizeMenu.h"
#include "editor_window/ToolArea.h"
#include "editor_window/ZoomMenu.h"
#include "support/AccessibleTree.h"
#include "support/QtPrinters.h"
#include "support/ToldReaders.h"

#include <QAccessible>
#include <QMenu>
#include <QToolButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

QAccessibleInterface* accessible(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

class EditorAccessibilityTree : public ::testing::Test {
protected:
    void SetUp() override {
        test::pinLook();
        rig.view->resize(1100, 600);
        rig.open(900, 500);
        settle();
    }
    void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
    // One line for each fault, none when all is well.
    std::string faults() {
        settle();
        return test::accessibleFaults(*rig.view);
    }
    EditorCanvasSettings& settings() { return rig.view->pane()->settings(); }

    test::EditorViewRig rig;
};

TEST_F(EditorAccessibilityTree, NamesEveryObjectOnceAndEndsNoDescriptionAtItsColon) {
    EXPECT_EQ(faults(), "") << "wide, the Pan tool";
    // Narrow: tools fold into the More tools menu.
    rig.view->resize(520, 600);
    EXPECT_EQ(faults(), "") << "narrow";
    // The tools with bars of their own in the status bar, with a hint ("Drag to draw", read once)
    // or a note, and a selected annotation.
    for (const char* tool : {"Text", "Arrow", "Bracket", "Ruler", "Counter", "Color", "Crop", "Freehand",
                             "Highlight", "Redact"}) {
        settings().choose(QString::fromLatin1(tool));
        EXPECT_EQ(faults(), "") << tool;
    }
    Annotation added = test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 80, 40));
    rig.capture.controller->document()->addAnnotation(added);
    settings().choose(QStringLiteral("Select"));
    settings().modes().setSelectedID(added.id);
    EXPECT_EQ(faults(), "") << "a selection";
}

TEST_F(EditorAccessibilityTree, TheColorWellAndTheZoomMenuSayTheirValues) {
    auto* toolBar = rig.view->pane()->findChild<EditorToolBar*>();
    ASSERT_NE(toolBar, nullptr);
    ColorWell* well = toolBar->findChild<ToolArea*>()->colorWell();
    settings().style().setColor(QColor(0, 122, 255));
    settle();
    QAccessibleInterface* wellElement = accessible(well);
    EXPECT_EQ(wellElement->text(QAccessible::Name), QStringLiteral("Annotation color"));
    EXPECT_EQ(wellElement->text(QAccessible::Value), QStringLiteral("Blue"));
    // A reader that takes no value text (Qt's AT-SPI bridge) hears it as the description.
    EXPECT_EQ(wellElement->text(QAccessible::Description), QStringLiteral("Blue"));

    QWidget* zoom = nullptr;
    for (auto* child : rig.view->statusBar()->findChildren<QWidget*>())
        if (child->accessibleName() == QStringLiteral("Zoom") && !child->isWindow())
            zoom = child; // not its menu
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(accessible(zoom)->text(QAccessible::Value), QStringLiteral("Fit"));
    settings().viewport().setFit(false);
    settings().viewport().setZoomFraction(2.0);
    settle();
    EXPECT_EQ(accessible(zoom)->text(QAccessible::Value), QStringLiteral("200%"));
    EXPECT_EQ(accessible(zoom)->role(), QAccessible::ButtonMenu) << "it still opens its menu";

    // Its first item shows its key after a tab; a reader hears the key as the shortcut.
    auto* menu = static_cast<QToolButton*>(zoom)->menu();
    ASSERT_NE(menu, nullptr);
    QAccessibleInterface* fit = accessible(menu)->child(0);
    ASSERT_NE(fit, nullptr);
    ASSERT_NE(fit->actionInterface(), nullptr);
    const QString key = ChromeText::shortcut(Qt::CTRL | Qt::Key_0);
    EXPECT_EQ((QStringList{fit->text(QAccessible::Name), fit->text(QAccessible::Accelerator)}),
              (QStringList{QStringLiteral("Fit to Window"), key}));
    EXPECT_EQ(fit->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
              QStringList{key});
}

// A control's new value is told to readers as a value change, in words, and its description,
// which says the value to readers that take no value text, as changed too.
TEST_F(EditorAccessibilityTree, EachNewValueIsToldAsAValueChange) {
    auto* toolBar = rig.view->pane()->findChild<EditorToolBar*>();
    ASSERT_NE(toolBar, nullptr);
    auto* zoom = rig.view->statusBar()->findChild<ZoomMenu*>();
    const std::vector<std::pair<QWidget*, QString>> controls = {
        {toolBar->findChild<ToolArea*>()->colorWell(), QStringLiteral("Yellow")},
        {toolBar->findChild<StrokeMenu*>(), QStringLiteral("5 pixels")},
        {toolBar->findChild<TextSizeMenu*>(), QStringLiteral("24 points")},
        {zoom, QStringLiteral("200%")}};
    test::ToldReaders readers;
    settings().style().setColor(EditorChrome::palette()[2].color);
    settings().style().setStrokeWidth(5);
    settings().style().setFontPoints(24);
    settings().viewport().setFit(false);
    settings().viewport().setZoomFraction(2.0);
    settle();
    for (const auto& [control, value] : controls) {
        ASSERT_NE(control, nullptr) << value.toStdString();
        const QStringList told = readers.values(control);
        EXPECT_EQ(told.isEmpty() ? QString() : told.last(), value) << value.toStdString();
        EXPECT_GE(readers.descriptionChanges(control), 1) << value.toStdString();
    }
}

} // namespace
} // namespace quorvane

#include "editor_window/KeyboardFocusStyle.h"

#include "canvas/CanvasEditCommands.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/RedactionTesting.h"
#include "core/AccessibilityOptions.h"
#include "editor_window/BackdropSheet.h"
#include "editor_window/ChromeTesting.h"
#include "editor_window/EditorViewRig.h"
#include "editor_window/ResizeSheet.h"
#include "support/WindowMouse.h"

#include <QKeyEvent>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Tab on a default button (Redact, the sheets' Resize and Apply) frames it, as it frames every
// other button: the keyboard elsewhere, it looks otherwise; wider with Increase Contrast.
TEST(KeyboardFocusStyle, ADefaultButtonShowsTheKeyboard) {
    AccessibilityOptions options;
    KeyboardFocusStyle style(&options);
    test::EditorViewRig rig;
    test::HeldRecognizer recognizer;
    rig.redactionRecognizer = recognizer.function();
    EditorDocument& document = *rig.open(200, 100);
    EditorCanvasPane* pane = rig.view->pane();
    ASSERT_NE(pane, nullptr);
    EditorCanvasView& canvas = pane->canvas();
    canvas.editCommands().startTextRedaction();
    recognizer.deliver(test::threeWords());
    rig.capture.turns();
    ResizeSheet resize(document, rig.view.get());
    BackdropSheet backdrop(document, rig.view.get());
    for (QWidget* window : std::initializer_list<QWidget*>{rig.view.get(), &resize, &backdrop}) {
        const auto named = [window](const char* title) {
            for (auto* button : window->findChildren<QPushButton*>())
                if (button->text() == QLatin1String(title) && button->isDefault()) return button;
            return static_cast<QPushButton*>(nullptr);
        };
        QPushButton* button = named(window == rig.view.get() ? "Redact"
                                    : window == &resize      ? "Resize"
                                                             : "Apply");
        ASSERT_NE(button, nullptr);
        SCOPED_TRACE(button->text().toStdString());
        button->setStyle(&style);
        window->show();
        QApplication::setActiveWindow(window);
        QWidget& elsewhere =
            window == rig.view.get() ? static_cast<QWidget&>(canvas) : *button->nextInFocusChain();
        // A Tab first, after which the window shows where the keyboard is.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(&elsewhere, &tab);
        const auto look = [&](QWidget& focus, bool contrast) {
            options.setIncreaseContrast(contrast);
            focus.setFocus(Qt::TabFocusReason);
            return button->grab().toImage();
        };
        const QImage away = look(elsewhere, false);
        ASSERT_TRUE(button->isDefault());
        const QImage framed = look(*button, false);
        EXPECT_NE(away, framed);
        EXPECT_EQ(look(elsewhere, true), away) << "Increase Contrast alone frames nothing";
        EXPECT_NE(look(*button, true), framed) << "Increase Contrast widens the frame";
        button->setStyle(nullptr);
    }
}

// A default button given the keyboard by the mouse shows no frame, as no other control does then:
// the frame follows the keyboard, not a click.
TEST(KeyboardFocusStyle, ADefaultButtonPressedByTheMouseShowsNoFrame) {
    AccessibilityOptions options;
    KeyboardFocusStyle style(&options);
    test::Pane pane;
    ResizeSheet sheet(pane.document);
    QPushButton* resize = nullptr;
    for (auto* button : sheet.findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Resize") && button->isDefault()) resize = button;
    ASSERT_NE(resize, nullptr);
    resize->setStyle(&style);
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    // A press, and its release off the button, which presses nothing; the pointer then rests away.
    test::sendThroughWindow(*resize, QEvent::MouseButtonPress, QRectF(resize->rect()).center());
    test::sendThroughWindow(*resize, QEvent::MouseButtonRelease, QPointF(-6, -6));
    test::hoverThroughWindow(*resize, QPointF(-6, -6));
    ASSERT_EQ(QApplication::focusWidget(), resize);
    ASSERT_TRUE(resize->isDefault());
    const QImage pressed = resize->grab().toImage();
    resize->nextInFocusChain()->setFocus(Qt::OtherFocusReason);
    ASSERT_NE(QApplication::focusWidget(), resize);
    EXPECT_EQ(pressed, resize->grab().toImage());
    resize->setStyle(nullptr);
}

} // namespace
} // namespace quorvane

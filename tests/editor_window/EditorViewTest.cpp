#include "canvas/CanvasEditCommands.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/RedactionTesting.h"
#include "document/CanvasAlignment.h"
#include "editor_window/DropHighlight.h"
#include "editor_window/EditorStatusBar.h"
#include "editor_window/EditorViewRig.h"
#include "editor_window/FileDragHandle.h"
#include "editor_window/StatusContextBar.h"
#include "editor_window/ToastView.h"
#include "editor_window/ToolButton.h"
#include "editor_window/ValueIconButton.h"
#include "editor_window/WindowStatusToast.h"
#include "support/SentMouse.h"
#include "support/TestAnnotations.h"
#include "support/WaitUntil.h"
#include "support/WindowMouse.h"

#include <QAccessible>
#include <QDrag>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(EditorView, EachDocumentObjectGetsAFreshPaneAndEditsKeepIt) {
    test::EditorViewRig rig;
    EXPECT_EQ(rig.view->pane(), nullptr);
    ASSERT_NE(rig.view->homeView(), nullptr);

    EditorDocument* first = rig.open();
    ASSERT_NE(rig.view->pane(), nullptr);
    EXPECT_EQ(rig.view->homeView(), nullptr);
    QPointer<EditorCanvasPane> pane = rig.view->pane();
    pane->settings().choose(QStringLiteral("Arrow"));
    pane->settings().modes().setCropping(true);

    first->addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(2, 2, 10, 10)));
    first->crop(QRectF(0, 0, 20, 20));
    first->undoManager().undo();
    rig.capture.turns();
    EXPECT_EQ(rig.view->pane(), pane.data()) << "edits of the same document keep the pane";
    EXPECT_EQ(pane->settings().style().tool(), QStringLiteral("Arrow"));
    // Smart click and colour copying reach the clipboard the view was given; Ctrl+C is the
    // window's Copy, and Redact Text recognises through the shell's recogniser.
    EXPECT_NE(pane->canvas().smartModes(), nullptr);
    ASSERT_TRUE(pane->canvas().editCommands().copyHandler);
    EXPECT_TRUE(pane->canvas().editCommands().copyHandler());
    EXPECT_EQ(rig.calls.back(), QStringLiteral("copy"));
    ASSERT_TRUE(pane->canvas().editCommands().startTextRedaction);
    pane->canvas().editCommands().startTextRedaction();
    EXPECT_EQ(rig.calls.back(), QStringLiteral("recognizeForRedaction"));
    pane->settings().finishTextRedaction(false);

    rig.open(50, 20);
    ASSERT_NE(rig.view->pane(), nullptr);
    EXPECT_NE(rig.view->pane(), pane.data());
    EXPECT_EQ(rig.view->pane()->settings().style().tool(), QStringLiteral("Pan"));
    EXPECT_FALSE(rig.view->pane()->settings().modes().cropping());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pane.isNull()) << "the old pane goes";
}

TEST(EditorView, ANewDocumentDuringADragOutWaitsUntilTheDragReturns) {
    test::EditorViewRig rig;
    rig.open(40, 30);
    QPointer<EditorCanvasPane> pane = rig.view->pane();
    FileDragHandle* handle = rig.view->statusBar()->dragHandle();
    ASSERT_NE(handle, nullptr);
    bool sameDuringDrag = false;
    handle->setDragRunner([&](QDrag&) {
        // The nested drag loop: a capture lands meanwhile.
        rig.open(50, 20);
        sameDuringDrag = rig.view->pane() == pane.data() && !pane.isNull();
        return Qt::CopyAction;
    });
    test::pressAndMove(*handle, QPointF(5, 5), QPointF(12, 5));
    EXPECT_TRUE(sameDuringDrag);
    rig.capture.turns();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(rig.view->pane(), nullptr);
    EXPECT_NE(rig.view->pane(), pane.data());
    EXPECT_EQ(rig.capture.controller->document()->image().size(), QSize(50, 20));
    EXPECT_EQ(rig.exports.beeper.beeps, 0);
}

TEST(EditorView, ExportingFollowsThePendingExports) {
    test::EditorViewRig rig;
    rig.open(40, 30);
    EXPECT_FALSE(rig.view->actions().exporting);
    test::RenderLatch latch;
    rig.exports.controller->renderer = latch.renderer();
    rig.exports.controller->backgroundPixels = 1;
    ASSERT_TRUE(rig.exports.controller->copyFinal(ExportController::Encoding::mayUseWorker));
    EXPECT_TRUE(rig.view->statusBar()->actions().exporting);
    EXPECT_FALSE(rig.view->statusBar()->progress()->isHidden());
    latch.open();
    ASSERT_TRUE(test::waitUntil([&] { return rig.exports.controller->pendingExports() == 0; }));
    EXPECT_FALSE(rig.view->actions().exporting);
    EXPECT_TRUE(rig.view->statusBar()->progress()->isHidden());
}

TEST(EditorView, DropHighlightTakesNoSpaceAndLetsClicksThrough) {
    test::EditorViewRig rig;
    rig.open();
    DropHighlight* highlight = rig.view->dropHighlight();
    EXPECT_TRUE(highlight->isHidden());
    const QRect paneBefore = rig.view->pane()->geometry();

    QMimeData mime;
    mime.setData(QStringLiteral("image/png"), test::pngBytes(test::gradientImage(4, 4)));
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(rig.view.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    EXPECT_TRUE(rig.view->dropTargeted());
    EXPECT_TRUE(highlight->isVisible());
    EXPECT_TRUE(highlight->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(rig.view->pane()->geometry(), paneBefore);
    EXPECT_NE(rig.view->childAt(QPoint(50, 50)), highlight);

    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(rig.view.get(), &leave);
    EXPECT_FALSE(rig.view->dropTargeted());
    EXPECT_TRUE(highlight->isHidden());
}

TEST(EditorView, WindowPickerOpensWheneverChoosingAWindow) {
    test::EditorViewRig rig;
    for (bool withDocument : {false, true}) {
        if (withDocument) rig.open();
        rig.capture.controller->setChoosingWindow(true);
        QDialog* picker = rig.view->windowPicker();
        ASSERT_NE(picker, nullptr);
        EXPECT_TRUE(picker->isVisible());
        picker->reject();
        rig.capture.turns();
        EXPECT_FALSE(rig.capture.controller->isChoosingWindow()) << "closing the picker ends the choice";
        EXPECT_EQ(rig.view->windowPicker(), nullptr);
    }
    rig.capture.controller->setChoosingWindow(true);
    rig.capture.controller->setChoosingWindow(false);
    EXPECT_EQ(rig.view->windowPicker(), nullptr);
}

TEST(EditorView, TitlebarInsetAndToastPlacement) {
    EXPECT_EQ(EditorView::titlebarInset(0), (TitlebarInset{0, 0, 0, 0}));
    EXPECT_EQ(EditorView::titlebarInset(0.5), (TitlebarInset{0.5, 70, 0, 0}));

    test::EditorViewRig rig;
    rig.capture.controller->setErrorMessage(QStringLiteral("Broken"));
    rig.capture.turns();
    const QRect atHome = rig.view->toast()->geometry();
    EXPECT_EQ(atHome.bottom() + 1, rig.view->height() - EditorView::toastBottomAtHome);
    rig.open();
    const QRect editing = rig.view->toast()->geometry();
    EXPECT_EQ(editing.bottom() + 1, rig.view->height() - EditorView::toastBottomWithDocument);
    EXPECT_GE(editing.left(), EditorView::toastSideMargin);
}

// The pane's messages show in the window's capsule with the info symbol, 12 points above the
// canvas's bottom, and follow each new message.
TEST(EditorView, PaneMessagesShowInTheCapsuleOverTheCanvas) {
    test::EditorViewRig rig;
    rig.capture.accessibility.setReduceMotion(true);
    rig.open(200, 150);
    EditorCanvasPane& pane = *rig.view->pane();
    pane.settings().modes().setMessage(QStringLiteral("Crop applied."));
    auto* toast = pane.canvas().findChild<ToastView*>();
    ASSERT_NE(toast, nullptr);
    EXPECT_TRUE(toast->capsuleVisible());
    EXPECT_EQ(toast->shownText(), QStringLiteral("Crop applied."));
    EXPECT_EQ(toast->geometry().bottom() + 1, pane.canvas().height() - 12);
    EXPECT_NEAR(toast->geometry().center().x(), pane.canvas().width() / 2, 1);
    pane.settings().modes().setMessage(QStringLiteral("Select a non-empty area entirely inside the image."));
    EXPECT_EQ(toast->message(), pane.settings().modes().message());
    EXPECT_EQ(toast->geometry().bottom() + 1, pane.canvas().height() - 12) << "placed again at its new size";
    EXPECT_EQ(rig.icons.fallbacks(), QStringList());
}

// Counts the presses a widget receives, its children's passed on to it included.
struct PressCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) ++presses;
        return false;
    }
};

// A press and its release as the window system delivers them.
void pressThroughWindow(QWidget& view, QPoint at) {
    test::sendThroughWindow(view, QEvent::MouseButtonPress, at);
    test::sendThroughWindow(view, QEvent::MouseButtonRelease, at);
}

// The toasts over the canvas take the pointer only on their own buttons: shown or hidden, the
// rest of their place belongs to the canvas beneath.
TEST(EditorView, ToastsTakeThePointerOnlyOnTheirOwnButtons) {
    test::EditorViewRig rig;
    rig.capture.accessibility.setReduceMotion(true);
    std::vector<std::function<void()>> timers;
    rig.view->toast()->setScheduler([&](auto, std::function<void()> hide) { timers.push_back(hide); });
    rig.open(700, 460);
    EditorCanvasView& canvas = rig.view->pane()->canvas();
    PressCounter counter;
    canvas.installEventFilter(&counter);
    const auto middleOf = [&rig](QWidget& widget) {
        return widget.mapTo(rig.view.get(), widget.rect().center());
    };
    const auto pressesOnCanvasAt = [&](QPoint at) {
        const int before = counter.presses;
        pressThroughWindow(*rig.view, at);
        return counter.presses - before;
    };

    ASSERT_TRUE(
        rig.exports.controller->copyFinal(ExportController::Encoding::onGUIThread)); // "Copied final image."
    ToastView* shown = rig.view->toast()->toast();
    ASSERT_TRUE(shown && shown->capsuleVisible());
    const QPoint exportToast = middleOf(*shown);
    EXPECT_EQ(pressesOnCanvasAt(exportToast), 1) << "over a shown message";
    for (const auto& hide : std::exchange(timers, {}))
        hide();
    ASSERT_FALSE(shown->capsuleVisible());
    EXPECT_EQ(pressesOnCanvasAt(exportToast), 1) << "where a hidden message was";

    rig.view->pane()->settings().modes().setMessage(QStringLiteral("Crop applied."));
    auto* paneToast = canvas.findChild<ToastView*>();
    ASSERT_TRUE(paneToast && paneToast->capsuleVisible());
    EXPECT_EQ(pressesOnCanvasAt(middleOf(*paneToast)), 1) << "over the pane's message";

    rig.capture.controller->setErrorMessage(QStringLiteral("Capture unavailable."));
    QPushButton* dismiss = rig.view->toast()->button(QStringLiteral("Dismiss"));
    ASSERT_NE(dismiss, nullptr);
    ToastView* error = rig.view->toast()->toast();
    const QPoint text = error->mapTo(rig.view.get(), QPoint(error->width() / 4, error->height() / 2));
    EXPECT_EQ(pressesOnCanvasAt(text), 1) << "over an error's text";
    EXPECT_EQ(pressesOnCanvasAt(middleOf(*dismiss)), 0) << "the button takes its own press";
    EXPECT_FALSE(rig.capture.controller->errorMessage());
}

// A key as the keyboard sends it: to the window's focused control, and up from there; Enter from
// the keypad.
void press(QWidget& window, int key) {
    QWidget* to = window.focusWidget() != nullptr ? window.focusWidget() : &window;
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QApplication::sendEvent(to, &event);
    }
}

QString spoken(const QWidget* widget) {
    if (widget == nullptr) return {};
    if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    return QString::fromLatin1(widget->metaObject()->className());
}

// Tab alone reaches the Redact Text review's controls where they stand in the status bar; Escape
// ends the review and Return applies it with the keyboard on a tool button.
TEST(EditorView, TabReachesTheReviewBarInPlaceAndAToolButtonsEscapeOrReturnEndsTheReview) {
    test::EditorViewRig rig;
    test::HeldRecognizer recognizer;
    rig.redactionRecognizer = recognizer.function();
    EditorDocument* document = rig.open(200, 100);
    EditorCanvasPane* pane = rig.view->pane();
    const auto review = [&] {
        pane->canvas().editCommands().startTextRedaction();
        recognizer.deliver(test::threeWords());
        rig.capture.turns();
        return pane->settings().modes().textRedaction() != nullptr;
    };
    ASSERT_TRUE(review());

    pane->canvas().setFocus();
    QStringList stops;
    for (int presses = 0; presses < 60; ++presses) {
        press(*rig.view, Qt::Key_Tab);
        if (rig.view->focusWidget() == &pane->canvas()) break;
        stops << spoken(rig.view->focusWidget());
    }
    const qsizetype zoom = stops.indexOf(QStringLiteral("Zoom"));
    ASSERT_GE(zoom, 0) << stops.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(stops.mid(zoom, 5).join(QStringLiteral(", ")).left(47).toStdString(),
              "Zoom, Redaction options, Cancel, Redact, Backdr")
        << stops.join(QStringLiteral(", ")).toStdString();

    auto* tool = rig.view->findChild<ToolButton*>();
    ASSERT_NE(tool, nullptr);
    tool->setFocus(Qt::TabFocusReason);
    press(*rig.view, Qt::Key_Escape);
    EXPECT_EQ(pane->settings().modes().textRedaction(), nullptr) << "Escape on a tool button";
    EXPECT_TRUE(document->annotations().empty());

    ASSERT_TRUE(review());
    tool->setFocus(Qt::TabFocusReason);
    press(*rig.view, Qt::Key_Return);
    EXPECT_EQ(pane->settings().modes().textRedaction(), nullptr) << "Return on a tool button";
    EXPECT_EQ(document->annotations().size(), 3U);
}

// Each picker and command of the context bars, used by keys (Return and Enter press a button as
// Space does), leaves the keyboard on the control the person used, rebuilt with its bar, or on the
// canvas where it went with its bar; Qt and a screen reader agree, and the next Space never opens
// the Backdrop sheet.
TEST(EditorView, KeysOnAContextBarLeaveTheKeyboardWhereThePersonLeftIt) {
    using Tool = ToolTable::Tool;
    test::EditorViewRig rig;
    test::HeldRecognizer recognizer;
    rig.redactionRecognizer = recognizer.function();
    using Setup = std::function<void(EditorDocument&, EditorCanvasSettings&)>;
    const auto tool = [](Tool chosen) -> Setup { return [chosen](auto&, auto& s) { s.choose(chosen); }; };
    const Setup selected = [](EditorDocument& d, EditorCanvasSettings& s) {
        s.choose(Tool::select);
        d.addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(20, 20, 40, 30)));
        s.modes().setSelectedID(d.annotations().back().id);
    };
    const QString straight = EditorCanvasSettings::arrowChoices()[0].name;
    const QString curved = EditorCanvasSettings::arrowChoices()[1].name;
    // The control given the keyboard, the key, and the control that has it then (none: the canvas).
    const std::vector<std::tuple<Setup, QString, int, QString>> cases = {
        {tool(Tool::arrow), straight, Qt::Key_Right, curved},
        {tool(Tool::arrow), curved, Qt::Key_Space, curved},
        {tool(Tool::bracket), QStringLiteral("opening bracket"), Qt::Key_Right,
         QStringLiteral("closing bracket")},
        {tool(Tool::ruler), QStringLiteral("px"), Qt::Key_Right, QStringLiteral("pt")},
        {selected, QStringLiteral("Arrange"), Qt::Key_Down, QStringLiteral("Arrange")},
        {selected, QStringLiteral("Duplicate annotation"), Qt::Key_Space,
         QStringLiteral("Duplicate annotation")},
        {selected, QStringLiteral("Delete annotation"), Qt::Key_Space, QString()},
        {tool(Tool::redact), QStringLiteral("Redact Text…"), Qt::Key_Space, QString()},
        {[](auto&, auto& s) { s.startRecognizing(); }, QStringLiteral("Whole Image"), Qt::Key_Space,
         QString()},
        {[](auto&, auto& s) { s.startRecognizing(); }, QStringLiteral("Whole Image"), Qt::Key_Return,
         QString()},
        {[](auto&, auto& s) { s.startRecognizing(); }, QStringLiteral("Cancel"), Qt::Key_Enter, QString()},
        {[](auto& d, auto&) { d.crop(QRectF(0, 0, 100, 50)); }, QStringLiteral("Reset Crop"), Qt::Key_Space,
         QString()},
    };
    // Align Left, in the Arrange menu that Down opens.
    QTimer alignLeft;
    QObject::connect(&alignLeft, &QTimer::timeout, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* action : menu != nullptr ? menu->actions() : QList<QAction*>())
            if (action->text() == title(CanvasAlignment::left)) menu->setActiveAction(action);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        if (menu != nullptr) QApplication::sendEvent(menu, &enter);
    });
    alignLeft.start(5);
    const auto active = [&rig] {
        rig.view->activateWindow();
        return test::waitUntil([&rig] { return rig.view->isActiveWindow(); });
    };
    for (const auto& [setup, name, key, after] : cases) {
        SCOPED_TRACE(name.toStdString() + " by key " + std::to_string(key));
        EditorDocument& document = *rig.open(200, 100);
        EditorCanvasSettings& settings = rig.view->pane()->settings();
        setup(document, settings);
        rig.capture.turns();
        const auto state = [&] {
            return std::tuple(document.revision(), settings.style().arrowCurved(),
                              settings.style().bracketKind(), settings.style().measurementUnit(),
                              settings.modes().textRedaction() != nullptr, settings.modes().recognizing());
        };
        const auto before = state();
        ASSERT_TRUE(active());
        for (QWidget* w : rig.view->statusBar()->contextBar()->findChildren<QWidget*>())
            if (w->isVisible() && (w->focusPolicy() & Qt::TabFocus) &&
                (spoken(w).startsWith(name) || w->property("text").toString() == name))
                w->setFocus(Qt::TabFocusReason);
        press(*rig.view, key);
        rig.capture.turns();
        // Off screen, a closed menu leaves no window active.
        ASSERT_TRUE(active());
        EXPECT_NE(state(), before) << "the key did nothing";
        QWidget* focused = rig.view->focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_TRUE(after.isEmpty() ? focused == &rig.view->pane()->canvas()
                                    : spoken(focused).startsWith(after))
            << spoken(focused).toStdString();
        EXPECT_TRUE(QAccessible::queryAccessibleInterface(focused)->state().focused);
        press(*rig.view, Qt::Key_Space);
        rig.capture.turns();
        EXPECT_EQ(std::count(rig.calls.begin(), rig.calls.end(), QStringLiteral("backdrop")), 0);
        settings.finishTextRedaction(false);
    }
}

// A button's menu opened by a key starts on its first item, as the menu bar's menus do, and a
// screen reader finds the keyboard there.
TEST(EditorView, AMenuOpenedByAKeyStartsOnItsFirstItem) {
    test::EditorViewRig rig;
    test::HeldRecognizer recognizer;
    rig.redactionRecognizer = recognizer.function();
    EditorDocument* document = rig.open(200, 100);
    EditorCanvasSettings& settings = rig.view->pane()->settings();
    settings.choose(ToolTable::Tool::select);
    document->addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(20, 20, 40, 30)));
    settings.modes().setSelectedID(document->annotations().back().id);
    rig.capture.turns();
    for (const auto& [name, key] :
         std::vector<std::pair<QString, int>>{{QStringLiteral("Save Image"), Qt::Key_Down},
                                              {QStringLiteral("Zoom"), Qt::Key_Space},
                                              {QStringLiteral("Stroke width and fill"), Qt::Key_Down},
                                              {QStringLiteral("Arrange"), Qt::Key_Space},
                                              {QStringLiteral("Redaction options"), Qt::Key_Down}}) {
        SCOPED_TRACE(name.toStdString());
        if (name == QStringLiteral("Redaction options")) {
            rig.view->pane()->canvas().editCommands().startTextRedaction();
            recognizer.deliver(test::threeWords());
            rig.capture.turns();
        }
        QToolButton* button = nullptr;
        for (auto* b : rig.view->findChildren<QToolButton*>())
            if (b->isVisible() && b->accessibleName() == name) button = b;
        ASSERT_TRUE(button != nullptr && button->menu() != nullptr);
        button->setFocus(Qt::TabFocusReason);
        QAction* active = nullptr;
        bool told = false;
        // After the menu's own first turn.
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (menu == nullptr) return;
                active = menu->activeAction();
                const int at = int(menu->actions().indexOf(active));
                told = at >= 0 && QAccessible::queryAccessibleInterface(menu)->child(at)->state().focused;
                menu->close();
            });
        });
        press(*rig.view, key);
        const QList<QAction*> items = button->menu()->actions();
        EXPECT_EQ(active, *std::find_if(items.begin(), items.end(),
                                        [](QAction* a) { return a->isEnabled() && !a->isSeparator(); }));
        EXPECT_TRUE(told);
    }
}

} // namespace
} // namespace quorvane

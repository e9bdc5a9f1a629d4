#include "capture/AreaSelectionOverlay.h"

#include "capture/CaptureFailure.h"
#include "capture/SystemCaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "core/AccessibilityOptions.h"
#include "core/Geometry.h"
#include "support/CountingBeeper.h"
#include "support/DisplayState.h"
#include "support/ImageCompare.h"
#include "support/LaterTurn.h"
#include "support/LogLines.h"
#include "support/PointerGrab.h"
#include "support/Xdotool.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <gtest/gtest.h>
#include <thread>

namespace quorvane {
namespace {

using test::waitUntil;
using test::xdotool;

// Counts what reaches it, to show that nothing holds the pointer or keyboard any more.
struct Probe : QWidget {
    int presses = 0, keys = 0;
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

class AreaSelectionOverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        frozen.fill(QColor(40, 90, 160));
        QPainter(&frozen).fillRect(QRect(0, 0, 960, 540), QColor(200, 180, 20));
        probe.setGeometry(1700, 900, 120, 120);
        probe.setFocusPolicy(Qt::StrongFocus);
        probe.show();
        ASSERT_TRUE(waitUntil([&] { return probe.windowHandle()->isExposed(); }));
    }
    void TearDown() override { test::joinMonitors(); }

    // A selection on `screen`, the primary one by default.
    AreaSelectionOverlay::SelectionID select(bool taskCancelled = false, QScreen* screen = nullptr) {
        calls = 0;
        if (screen == nullptr) screen = QGuiApplication::primaryScreen();
        return overlay.select(frozen.copy(screen->geometry()), screen, {screen->geometry(), 1}, std::nullopt,
                              taskCancelled ? AreaSelectionOverlay::Task::cancelled
                                            : AreaSelectionOverlay::Task::running,
                              [this](Result<QRectF, Error> value) { result = value, ++calls; });
    }
    AreaSelectionOverlay::SelectionID open(QScreen* screen = nullptr) {
        const auto id = select(false, screen);
        EXPECT_NE(id, 0u);
        EXPECT_TRUE(waitUntil([&] { return overlay.holdsInput(); }));
        return id;
    }
    // One result, the rectangle or (none) a cancellation, and the picker gone.
    void expectEnded(std::optional<QRectF> rectangle = std::nullopt) {
        ASSERT_TRUE(waitUntil([&] { return calls > 0; }));
        // A second answer would come on one of the next turns.
        ASSERT_TRUE(test::laterTurn());
        EXPECT_TRUE(calls == 1 && !overlay.isOpen() && overlay.window() == nullptr) << calls;
        ASSERT_EQ(result->ok(), rectangle.has_value());
        EXPECT_TRUE(rectangle ? geom::exactlyEqual(**result, *rectangle) : isCancellation(result->error()));
    }
    // Another window takes clicks and keys again.
    void expectInputFree() {
        QGuiApplication::sync();
        const int presses = probe.presses, keys = probe.keys;
        const QPoint centre = probe.mapToGlobal(QPoint(60, 60));
        xdotool(QString::asprintf("mousemove %d %d click 1", centre.x(), centre.y()));
        EXPECT_TRUE(waitUntil([&] { return probe.presses > presses; }));
        probe.activateWindow();
        probe.setFocus();
        waitUntil([&] { return QGuiApplication::focusWindow() == probe.windowHandle(); }, 1000);
        xdotool(QStringLiteral("key x"));
        EXPECT_TRUE(waitUntil([&] { return probe.keys > keys; }));
    }
    void drag(QPoint a, QPoint b) {
        xdotool(QString::asprintf("mousemove %d %d mousedown 1 mousemove %d %d mousemove %d %d mouseup 1",
                                  a.x(), a.y(), (a.x() + b.x()) / 2, (a.y() + b.y()) / 2, b.x(), b.y()));
    }
    // The selection shows and stays open: the picker has seen the pointer move on after the
    // release, and whatever the release would have ended has answered by then.
    bool keptOpen() {
        const bool shown = waitUntil([&] {
            const AreaSelectionView* view = overlay.view();
            return view != nullptr && view->selection();
        });
        const QPointF away(1500, 900);
        xdotool(QStringLiteral("mousemove %1 %2").arg(away.x()).arg(away.y()));
        const bool pointerSeen = waitUntil([&] {
            const AreaSelectionView* view = overlay.view();
            return view != nullptr && view->pointer() == away;
        });
        const bool movedOn = pointerSeen && test::laterTurn();
        return shown && movedOn && calls == 0;
    }

    test::InputKept input;
    QImage frozen{1920, 1080, QImage::Format_RGBA8888_Premultiplied};
    Probe probe;
    test::CountingBeeper bell;
    AccessibilityOptions accessibility;
    AreaSelectionOverlay overlay{bell, accessibility};
    std::optional<Result<QRectF, Error>> result;
    int calls = 0;
};

TEST_F(AreaSelectionOverlayTest, ShowsTheFrozenImageOnTopRefusesASecondSelectAndReturnsADrag) {
    open();
    // The frozen image covers the display, the probe window too, above the hint.
    SystemCaptureService service;
    const auto content = test::awaitResult<ShareableContent>([&](auto done) { service.targets(done); });
    ASSERT_TRUE(content.ok());
    const auto screen = test::awaitResult<QImage>(
        [&](auto done) { service.image(ContentFilter::forDisplay(content->displays.front()), done); });
    ASSERT_TRUE(screen.ok());
    EXPECT_TRUE(test::imagesNear(screen->copy(0, 0, 1920, 1000), frozen.copy(0, 0, 1920, 1000), 0));

    // A second selection fails on a later turn and leaves the first alone.
    EXPECT_EQ(std::pair(select(), calls), std::pair(AreaSelectionOverlay::SelectionID(0), 0));
    ASSERT_TRUE(waitUntil([&] { return calls > 0; }));
    EXPECT_EQ(result->error(), (Error{QStringLiteral("Quorvane.Area"), 1,
                                      QStringLiteral("An area selection is already open.")}));
    EXPECT_TRUE(overlay.holdsInput());
    calls = 0;

    drag(QPoint(100, 200), QPoint(400, 350));
    expectEnded(QRectF(100, 200, 300, 150));
    expectInputFree();
}

TEST_F(AreaSelectionOverlayTest, KeepsATinyDragForReturnAndAnAltReleaseUntilEscape) {
    open();
    drag(QPoint(500, 500), QPoint(503, 503));
    EXPECT_TRUE(keptOpen());
    xdotool(QStringLiteral("key Return"));
    expectEnded(QRectF(500, 500, 3, 3));
    expectInputFree();

    open();
    xdotool(QStringLiteral("keydown alt"));
    drag(QPoint(100, 100), QPoint(300, 200));
    xdotool(QStringLiteral("keyup alt"));
    EXPECT_TRUE(keptOpen());
    xdotool(QStringLiteral("key Escape"));
    expectEnded();
    expectInputFree();
}

TEST_F(AreaSelectionOverlayTest, TaskCancellationEndsOnlyItsOwnSelection) {
    const auto first = open();
    overlay.cancel(first);
    expectEnded();
    expectInputFree();

    const auto second = open();
    overlay.cancel(first); // stale: the first selection has ended
    ASSERT_TRUE(test::laterTurn());
    EXPECT_TRUE(overlay.isOpen() && calls == 0);
    overlay.cancel(second);
    expectEnded();

    EXPECT_EQ(select(true), 0u) << "already cancelled: nothing is shown";
    expectEnded();
}

TEST_F(AreaSelectionOverlayTest, AScreenChangeCancelsAndTheChosenDisplayOfTwoIsPicked) {
    open();
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    expectEnded();
    expectInputFree();

    QScreen* right = QGuiApplication::screenAt(QPoint(1500, 500));
    ASSERT_TRUE(right && right->name() == QStringLiteral("right"));
    open(right);
    EXPECT_EQ(overlay.window()->geometry(), QRect(960, 0, 960, 1080));
    drag(QPoint(1000, 100), QPoint(1100, 250));
    expectEnded(QRectF(1000, 100, 100, 150));
}

TEST_F(AreaSelectionOverlayTest, LosingTheWindowOrTheFocusCancels) {
    open();
    xdotool(QStringLiteral("windowunmap %1").arg(overlay.window()->winId()));
    expectEnded();
    expectInputFree();

    // Another client takes the focus.
    QProcess other;
    other.start(QStringLiteral("xmessage"),
                QStringLiteral("-name other -geometry +20+20 x").split(QLatin1Char(' ')));
    QString found;
    ASSERT_TRUE(waitUntil(
        [&] { return xdotool(QStringLiteral("search --onlyvisible --classname other"), &found) == 0; }));
    open();
    ASSERT_TRUE(
        waitUntil([&] { return QGuiApplication::focusWindow() == overlay.window()->windowHandle(); }));
    xdotool(QStringLiteral("windowfocus ") + found.split(QLatin1Char('\n')).first());
    expectEnded();
    other.kill();
    other.waitForFinished();
    expectInputFree();

    open();
    overlay.window()->close();
    expectEnded();
    open();
    delete overlay.window();
    expectEnded();
    expectInputFree();
}

// Qt hands keys to its focus window, not to the one holding the grab: focus moved to another of
// our windows after the picker asked for it (a window manager showing the editor late) must come
// back, or Escape goes to that window and the picker stays.
TEST_F(AreaSelectionOverlayTest, FocusTakenByAnotherOfOurWindowsComesBackForEscape) {
    QWidget editor;
    editor.setGeometry(40, 40, 200, 120);
    editor.show();
    ASSERT_TRUE(
        waitUntil([&] { return editor.windowHandle() != nullptr && editor.windowHandle()->isExposed(); }));
    open();
    ASSERT_TRUE(
        waitUntil([&] { return QGuiApplication::focusWindow() == overlay.window()->windowHandle(); }));
    xdotool(QStringLiteral("windowfocus %1").arg(editor.winId()));
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == editor.windowHandle(); }) ||
                QGuiApplication::focusWindow() == overlay.window()->windowHandle());
    ASSERT_TRUE(
        waitUntil([&] { return QGuiApplication::focusWindow() == overlay.window()->windowHandle(); }));
    xdotool(QStringLiteral("key Escape"));
    expectEnded();
    expectInputFree();
}

// While the picker is open every key goes to it, whichever of our windows Qt gives the focus to:
// Escape soon after the focus moved to the editor closes it, before the picker has asked for the
// focus back, and none of the editor's shortcuts fire.
TEST_F(AreaSelectionOverlayTest, KeysGoToThePickerWhileAnotherOfOurWindowsHasTheFocus) {
    Probe editor;
    int fired = 0;
    for (const char* key : {"Escape", "Ctrl+W"}) {
        auto* action = new QAction(&editor);
        action->setShortcut(QKeySequence(QString::fromLatin1(key)));
        QObject::connect(action, &QAction::triggered, [&] { ++fired; });
        editor.addAction(action);
    }
    editor.setGeometry(40, 40, 200, 120);
    editor.show();
    ASSERT_TRUE(waitUntil([&] { return editor.windowHandle()->isExposed(); }));
    const struct {
        int delayMs;
        const char* keys;
    } rows[] = {{0, "Escape"}, {50, "Escape"}, {100, "Escape"}, {300, "Escape"}, {0, "ctrl+w Escape"}};
    for (const auto& row : rows) {
        open();
        ASSERT_TRUE(
            waitUntil([&] { return QGuiApplication::focusWindow() == overlay.window()->windowHandle(); }));
        xdotool(QStringLiteral("windowfocus %1").arg(editor.winId()));
        ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == editor.windowHandle(); }));
        test::pause(row.delayMs);
        xdotool(QStringLiteral("key ") + QLatin1String(row.keys));
        const bool closed = waitUntil([&] { return calls > 0; });
        EXPECT_TRUE(closed && isCancellation(result->error()))
            << "not closed: " << row.keys << " after " << row.delayMs << " ms";
        EXPECT_EQ(std::pair(fired, editor.keys), std::pair(0, 0))
            << row.keys << " after " << row.delayMs << " ms";
        overlay.finish(Failure{cancellationError()}); // one that stayed open
        fired = editor.keys = 0;
    }
    expectInputFree();
}

// A menu of ours opened over the picker (a screen reader's, the tray's) takes the grabs and, in Qt,
// every key sent on to the picker: on a key it closes, the key goes to the picker, and the picker
// takes the grabs back, as it does whichever way the menu closed.
TEST_F(AreaSelectionOverlayTest, AMenuOverThePickerClosesOnAKeyThatThenGoesToThePicker) {
    QMenu menu;
    int chosen = 0;
    QObject::connect(menu.addAction(QStringLiteral("&Right")), &QAction::triggered, [&] { ++chosen; });
    const auto popUp = [&] {
        menu.popup(QPoint(300, 300));
        return waitUntil([&] { return menu.windowHandle() != nullptr && menu.windowHandle()->isExposed(); });
    };
    const auto holdsAgain = [&] {
        return waitUntil([&] { return !menu.isVisible() && overlay.holdsInput(); }) && !test::pointerFree() &&
               !test::keyboardFree();
    };
    open();
    ASSERT_TRUE(popUp());
    xdotool(QStringLiteral("key Escape"));
    expectEnded();
    EXPECT_FALSE(menu.isVisible());

    open();
    ASSERT_TRUE(popUp());
    xdotool(QStringLiteral("key Right"));
    EXPECT_TRUE(holdsAgain()) << "the picker holds no grab after the menu";
    EXPECT_TRUE(keptOpen()) << "the picker did not take the key";
    xdotool(QStringLiteral("key Escape"));
    expectEnded();

    open();
    ASSERT_TRUE(popUp());
    menu.close();
    EXPECT_TRUE(holdsAgain()) << "the picker holds no grab after the menu";
    xdotool(QStringLiteral("key Escape"));
    expectEnded();
    EXPECT_EQ(chosen, 0);

    // A widget of ours grabbing the keyboard takes the grabs too: on a key it lets go, the key goes
    // to the picker, and the picker takes the grabs back.
    open();
    // The pointer leaves the spot where keptOpen() looks for it.
    xdotool(QStringLiteral("mousemove 1200 700"));
    probe.grabKeyboard();
    xdotool(QStringLiteral("key Right"));
    ASSERT_TRUE(waitUntil([] { return QWidget::keyboardGrabber() == nullptr; }));
    EXPECT_TRUE(holdsAgain()) << "the picker holds no grab after the grabber";
    EXPECT_TRUE(keptOpen()) << "the picker did not take the key";
    xdotool(QStringLiteral("key Escape"));
    expectEnded();

    // A widget of ours grabbing the keyboard lets go of it the same way.
    open();
    probe.grabKeyboard();
    xdotool(QStringLiteral("key Escape"));
    expectEnded();
    EXPECT_TRUE(QWidget::keyboardGrabber() == nullptr && probe.keys == 0) << "the widget kept the key";
    expectInputFree();
}

// A popup of ours that refuses to close over the picker keeps the keys: each one sent on to the
// picker comes back to it once, and never goes round again.
TEST_F(AreaSelectionOverlayTest, APopupThatWillNotCloseTakesEachKeyOnce) {
    struct Stubborn : QWidget {
        Stubborn() : QWidget(nullptr, Qt::Popup) {}
        int keys = 0;
        void closeEvent(QCloseEvent* event) override { event->ignore(); }
        void keyPressEvent(QKeyEvent*) override { ++keys; }
    } popup;
    open();
    popup.setGeometry(300, 300, 80, 40);
    popup.show();
    ASSERT_TRUE(waitUntil([&] { return popup.windowHandle()->isExposed() && !test::keyboardFree(); }));
    xdotool(QStringLiteral("key x key y"));
    ASSERT_TRUE(waitUntil([&] { return popup.keys == 2; }));
    EXPECT_TRUE(test::laterTurn() && popup.keys == 2 && calls == 0);
    popup.hide();
    ASSERT_TRUE(waitUntil([&] { return overlay.holdsInput() && !test::keyboardFree(); }));
    xdotool(QStringLiteral("key Escape"));
    expectEnded();
    expectInputFree();
}

TEST_F(AreaSelectionOverlayTest, GivesUpWhenAnotherClientHoldsTheInput) {
    test::WindowManagerInTest windowManager;
    ASSERT_TRUE(windowManager.started());
    // Openbox's desktop menu holds the pointer and keyboard while it is open.
    xdotool(QStringLiteral("mousemove 50 1000 click 3"));
    ASSERT_TRUE(waitUntil([] { return !test::pointerFree(); }));
    test::LogLines log("capture");
    // Half a second of refused tries, once shown (up to 2.3 s in all beside 8 busy processes); ten
    // times as many tries take 5 s at the least, a screen that long taking no input.
    QElapsedTimer clock;
    clock.start();
    EXPECT_NE(select(), 0u);
    expectEnded();
    EXPECT_LT(clock.elapsed(), test::bound(4000));
    EXPECT_EQ(log.count("Area selection ended: the pointer or keyboard is held by another client"), 1);
    xdotool(QStringLiteral("key Escape"));
    ASSERT_TRUE(waitUntil([] { return test::pointerFree(); }));
    expectInputFree();
}

// A client holding the pointer for a moment as the picker opens (a menu closing): the picker does
// not take the pointer for held while that client has it, and holds it once it is let go.
TEST_F(AreaSelectionOverlayTest, TakesThePointerOnceAnotherClientLetsItGo) {
    test::X11Client other = test::grabPointer();
    ASSERT_NE(other, nullptr);
    EXPECT_NE(select(), 0u);
    ASSERT_TRUE(waitUntil([&] { return overlay.view() && overlay.view()->windowHandle()->isExposed(); }));
    // A few of its tries have gone by.
    ASSERT_TRUE(test::laterTurn(60));
    EXPECT_FALSE(overlay.holdsInput()) << "the picker took the pointer for held while another client had it";
    other.reset();
    EXPECT_TRUE(waitUntil([&] { return overlay.holdsInput(); }));
    EXPECT_FALSE(test::pointerFree()) << "nobody holds the pointer";
    EXPECT_EQ(calls, 0);
    xdotool(QStringLiteral("key Escape"));
    expectEnded();
    expectInputFree();
}

// The program busy for a moment as the picker opens (a capture's editor being made): the picker
// counts only refused tries, not the time it could not try.
TEST_F(AreaSelectionOverlayTest, ABusyMomentAsItOpensIsNotTakenForAnotherClientsHold) {
    EXPECT_NE(select(), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_TRUE(waitUntil([&] { return overlay.holdsInput(); }));
    EXPECT_EQ(calls, 0);
    xdotool(QStringLiteral("key Escape"));
    expectEnded();
    expectInputFree();
}

} // namespace
} // namespace quorvane

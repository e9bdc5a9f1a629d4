#include "editor_window/WindowDragArea.h"

#include "editor_window/ChromeTesting.h"
#include "editor_window/EditorToolBar.h"
#include "editor_window/ToolArea.h"
#include "editor_window/ToolButton.h"
#include "support/WaitUntil.h"
#include "support/WindowManagerTurn.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWindow>
#include <optional>
#include <utility>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::pause;
using test::waitUntil;
using test::xdotool;

// Where the pointer was at the last motion our windows handled.
struct Motions : QObject {
    std::optional<QPoint> last;
    Motions() { qApp->installEventFilter(this); }
    ~Motions() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched->isWindowType() && event->type() == QEvent::MouseMove)
            last = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        return false;
    }
};

// An editor-like window under openbox: the tool bar on top of an empty body.
class WindowDragAreaTest : public ::testing::Test {
protected:
    test::Pane pane;
    QWidget window;
    EditorToolBar* bar = new EditorToolBar(pane.document, pane.settings, pane.icons);
    Motions motions;

    void SetUp() override {
        ASSERT_TRUE(test::x11Server().startWindowManager());
        auto* column = new QVBoxLayout(&window);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(bar);
        column->addStretch();
        window.setGeometry(200, 150, 1200, 300);
        window.show();
        ASSERT_TRUE(waitUntil([&] { return window.windowHandle()->isExposed(); }));
        // Placed and framed by the window manager, and Qt knows where.
        ASSERT_TRUE(test::windowManagerCaughtUp(window));
    }
    void TearDown() override { test::x11Server().stopWindowManager(); }

    // A point on the bar that no control covers: past the tools, before undo.
    QPoint emptyPoint() const {
        return bar->mapToGlobal(QPoint(bar->toolArea()->x() + bar->toolArea()->variantWidth(0) + 30, 19));
    }
    // Moves the pointer on a little and waits until the window sees that: it has handled the
    // clicks before, which the server sent it first.
    bool clicksHandled() {
        const QPoint on = QCursor::pos() + QPoint(2, 0);
        xdotool(QStringLiteral("mousemove %1 %2").arg(on.x()).arg(on.y()));
        return waitUntil([&] { return motions.last == on; });
    }
    void moveTo(const QPoint& point) {
        xdotool(QStringLiteral("mousemove %1 %2").arg(point.x()).arg(point.y()));
        pause(50);
    }
};

TEST_F(WindowDragAreaTest, DraggingAnEmptyPartMovesTheWindow) {
    const QPoint before = window.geometry().topLeft();
    const QPoint start = emptyPoint();
    moveTo(start);
    xdotool(QStringLiteral("mousedown 1"));
    pause(50);
    for (int step = 1; step <= 10; ++step)
        moveTo(start + QPoint(step * 12, step * 8));
    xdotool(QStringLiteral("mouseup 1"));
    ASSERT_TRUE(waitUntil([&] { return window.geometry().topLeft() != before; }));
    // The window manager may move it in more than one step: read it once it stands still.
    QPoint last = window.geometry().topLeft();
    waitUntil([&] {
        pause(100);
        const QPoint now = window.geometry().topLeft();
        return std::exchange(last, now) == now;
    });
    const QPoint moved = window.geometry().topLeft() - before;
    EXPECT_NEAR(moved.x(), 120, 20);
    EXPECT_NEAR(moved.y(), 80, 20);
    EXPECT_FALSE(window.isMaximized());
}

TEST_F(WindowDragAreaTest, TripleClickZoomsOnlyOnceAndADoubleClickRestores) {
    moveTo(emptyPoint());
    // The third press is a plain press: it does not take the zoom of the second back.
    xdotool(QStringLiteral("click --repeat 3 --delay 60 1"));
    ASSERT_TRUE(waitUntil([&] { return window.isMaximized(); }));
    ASSERT_TRUE(clicksHandled());
    ASSERT_TRUE(test::windowManagerCaughtUp(window));
    EXPECT_TRUE(window.isMaximized());
    moveTo(emptyPoint());
    xdotool(QStringLiteral("click --repeat 2 --delay 60 1"));
    EXPECT_TRUE(waitUntil([&] { return !window.isMaximized(); }));
}

TEST_F(WindowDragAreaTest, ControlsOverTheAreaKeepTheirClicks) {
    const QPoint before = window.geometry().topLeft();
    ToolButton& oval = *bar->toolArea()->toolButton(ToolTable::Tool::oval);
    const QPoint centre = oval.mapToGlobal(oval.rect().center());
    moveTo(centre);
    xdotool(QStringLiteral("click 1"));
    ASSERT_TRUE(waitUntil([&] { return pane.settings.style().tool() == QStringLiteral("Oval"); }));
    // Nor does a drag that starts on a button move the window.
    xdotool(QStringLiteral("mousedown 1"));
    for (int step = 1; step <= 5; ++step)
        moveTo(centre + QPoint(step * 10, step * 10));
    xdotool(QStringLiteral("mouseup 1"));
    xdotool(QStringLiteral("click --repeat 2 --delay 60 1"));
    ASSERT_TRUE(clicksHandled());
    ASSERT_TRUE(test::windowManagerCaughtUp(window));
    EXPECT_EQ(window.geometry().topLeft(), before);
    EXPECT_FALSE(window.isMaximized());
}

} // namespace
} // namespace quorvane

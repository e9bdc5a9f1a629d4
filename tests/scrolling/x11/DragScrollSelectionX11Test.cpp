#include "platform/X11InputConnection.h"
#include "platform/X11PointerTap.h"
#include "scrolling/DragScrollSelection.h"
#include "scrolling/SystemDragEventTap.h"
#include "scrolling/SystemDragSelectionOverlay.h"
#include "scrolling/x11/WheelPageWindow.h"
#include "support/DragScrollCalls.h"
#include "support/Xdotool.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::waitUntil;

// The whole drag selection on the real server: tap, overlay and button poll.
struct Selection {
    std::unique_ptr<X11InputConnection> connection = X11InputConnection::open();
    X11PointerTap x11Tap{*connection};
    SystemDragEventTap tap{x11Tap};
    SystemDragSelectionOverlay overlay{connection.get(), [] { return false; }};
    DragScrollDisplay display{1, QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080), 1};
    DragScrollSelection selection{DragScrollTracker::make({display}, QPointF(10, 10)), tap, overlay, [this] {
                                      const auto pointer = connection->queryPointer();
                                      return pointer && (pointer->buttons & 0x100) != 0;
                                  }};
    std::vector<QString> calls;

    Selection() { test::recordDragOutcomes(selection, calls); }
};

TEST(DragScrollSelectionOnX11, ADragOverTheDesktopSelectsWithoutClickingAnything) {
    test::WheelPageWindow page;
    ASSERT_TRUE(page.showAt(QPoint(200, 150)));
    Selection s;
    ASSERT_EQ(test::xdotool("mousemove 250 200"), 0);
    ASSERT_TRUE(s.selection.begin());
    EXPECT_EQ(s.overlay.lastAnnouncement(), DragSelectionOverlayView::hintText());
    ASSERT_EQ(test::xdotool("mousedown 1"), 0);
    ASSERT_EQ(test::xdotool("mousemove_relative 150 100"), 0);
    ASSERT_EQ(test::xdotool("mouseup 1"), 0);
    ASSERT_TRUE(waitUntil([&] { return !s.calls.empty(); }));
    EXPECT_EQ(s.calls, std::vector<QString>{"select 250,200 150x100"});
    EXPECT_FALSE(s.selection.isActive());
    EXPECT_FALSE(s.x11Tap.grabbing());
    EXPECT_TRUE(waitUntil([&] { return s.overlay.window() == nullptr; }));
    EXPECT_EQ(page.leftButtonEvents, 0);
}

TEST(DragScrollSelectionOnX11, AChangedDisplayArrangementCancels) {
    Selection s;
    ASSERT_TRUE(s.selection.begin());
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    EXPECT_TRUE(waitUntil([&] { return !s.calls.empty(); }));
    EXPECT_EQ(s.calls, std::vector<QString>{"cancel"});
    EXPECT_FALSE(s.x11Tap.grabbing());
    ASSERT_TRUE(test::joinMonitors());
}

} // namespace
} // namespace quorvane

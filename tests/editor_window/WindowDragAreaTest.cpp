#include "editor_window/WindowDragArea.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

void send(QWidget& widget, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton, QPointF at = {5, 5}) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

TEST(WindowDragArea, DoubleClickTogglesTheWindowsZoomOnlyInAShownWindowAndWithTheLeftButton) {
    WindowDragArea loose;
    loose.resize(200, 40);
    send(loose, QEvent::MouseButtonPress);
    send(loose, QEvent::MouseMove, Qt::NoButton, {60, 30});
    send(loose, QEvent::MouseButtonRelease);
    send(loose, QEvent::MouseButtonDblClick);
    EXPECT_FALSE(loose.isVisible());
    EXPECT_FALSE(loose.isMaximized());

    QWidget window;
    auto* area = new WindowDragArea(&window);
    area->resize(200, 40);
    window.resize(400, 300);
    window.show();
    send(*area, QEvent::MouseButtonDblClick, Qt::RightButton);
    EXPECT_FALSE(window.isMaximized());
    send(*area, QEvent::MouseButtonDblClick);
    EXPECT_TRUE(window.isMaximized());
    send(*area, QEvent::MouseButtonDblClick);
    EXPECT_FALSE(window.isMaximized());
}

} // namespace
} // namespace quorvane

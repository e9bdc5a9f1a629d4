#include "capture/SystemCaptureService.h"
#include "support/WaitUntil.h"

#include <QPixmap>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The icon an application gives its window (_NET_WM_ICON, which Qt sets from the window icon),
// read once per process.
TEST(SystemCaptureService, ReadsTheApplicationIconOfAWindowOncePerProcess) {
    QPixmap red(48, 48);
    red.fill(Qt::red);
    QWidget first, second;
    first.setWindowIcon(QIcon(red));
    for (QWidget* window : {&first, &second}) {
        window->resize(120, 80);
        window->show();
    }
    ASSERT_TRUE(test::waitUntil(
        [&] { return first.windowHandle()->isExposed() && second.windowHandle()->isExposed(); }));
    SystemCaptureService service;
    const auto windowOf = [](QWidget& widget, ProcessID process) {
        CaptureWindow window{.windowID = WindowID(widget.winId())};
        window.owningApplication = CaptureApplication{process, QStringLiteral("test")};
        return window;
    };
    const QImage icon = service.applicationIcon(windowOf(first, 77), 32);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixelColor(icon.width() / 2, icon.height() / 2), QColor(Qt::red));
    // Another window of the same process: the kept icon; of another process without one: none.
    EXPECT_EQ(service.applicationIcon(windowOf(second, 77), 32), icon);
    EXPECT_TRUE(service.applicationIcon(windowOf(second, 78), 32).isNull());
}

} // namespace
} // namespace quorvane

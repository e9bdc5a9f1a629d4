#include "platform/X11CaptureConnection.h"
#include "platform/X11ScreenGrabber.h"
#include "support/XvfbServer.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

// Another client that fills its window black, then white, then black again as fast as the server
// takes it; each fill is one request, so the window is always one colour or the other.
class FlashingWindow {
public:
    FlashingWindow(const QString& display, QRect area) {
        connection_ = xcb_connect(display.toUtf8().constData(), nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const std::uint32_t values[] = {screen->black_pixel, 1};
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, std::int16_t(area.x()),
                          std::int16_t(area.y()), std::uint16_t(area.width()), std::uint16_t(area.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(connection_, window_);
        for (int i = 0; i < 2; ++i) {
            gcs_[i] = xcb_generate_id(connection_);
            const std::uint32_t colour = i == 0 ? screen->black_pixel : screen->white_pixel;
            xcb_create_gc(connection_, gcs_[i], window_, XCB_GC_FOREGROUND, &colour);
        }
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        const xcb_rectangle_t whole{0, 0, std::uint16_t(area.width()), std::uint16_t(area.height())};
        flasher_ = std::thread([this, whole] {
            for (unsigned n = 0; !stop_; ++n) {
                xcb_poly_fill_rectangle(connection_, window_, gcs_[n % 2], 1, &whole);
                // A round trip now and then keeps the fills from running far ahead of the server.
                if (n % 8 == 7)
                    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
            }
        });
    }
    ~FlashingWindow() {
        stop_ = true;
        flasher_.join();
        xcb_destroy_window(connection_, window_);
        xcb_disconnect(connection_);
    }

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gcs_[2] = {};
    std::atomic<bool> stop_{false};
    std::thread flasher_;
};

// A grab large enough to be read in many pieces is still one moment of the screen: a page
// another program scrolls is never caught scrolled in its lower half only.
TEST(X11ScreenGrabber, AGrabInManyPiecesIsOneMomentWhileAnotherClientDraws) {
    // A display as large as the largest monitors, on a server of its own.
    test::XvfbServer server;
    ASSERT_TRUE(server.start(3840, 2160));
    const QRect area(0, 0, 3840, 2160);
    FlashingWindow window(server.display(), area);
    const QByteArray ownDisplay = qgetenv("DISPLAY");
    qputenv("DISPLAY", server.display().toUtf8());
    const auto connection = X11CaptureConnection::open();
    qputenv("DISPLAY", ownDisplay);
    ASSERT_NE(connection, nullptr);
    // Qt is told of shared memory without descriptors (the tests' main asks for it, as the
    // program's does); our own connection still reads through the segments it hands the server.
    EXPECT_TRUE(connection->hasSharedMemoryFds());
    X11ScreenGrabber grabber(*connection);
    int mixed = 0;
    for (int grab = 0; grab < 40; ++grab) {
        QImage image(area.size(), QImage::Format_RGBA8888_Premultiplied);
        ASSERT_TRUE(grabber.read(connection->root(), area, image, QPoint(0, 0), true));
        const QRgb first = image.pixel(0, 0);
        for (int y = 0; y < image.height(); y += 10)
            if (image.pixel(area.width() / 2, y) != first) {
                ++mixed;
                break;
            }
    }
    EXPECT_EQ(mixed, 0) << "grabs that show both colours";
}

} // namespace
} // namespace quorvane

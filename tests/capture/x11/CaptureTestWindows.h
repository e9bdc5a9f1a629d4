#pragma once

// Windows with known pixels and waiting helpers for the X11 capture tests.

#include "platform/Error.h"
#include "platform/Result.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <optional>

namespace quorvane::test {

// Runs the event loop until `done` holds or `timeoutMs` passed.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Calls `start` with a completion and waits for the result.
template<class T, class Start>
Result<T, Error> awaitResult(Start start) {
    std::optional<Result<T, Error>> result;
    int calls = 0;
    start([&](Result<T, Error> value) {
        ++calls;
        result = std::move(value);
    });
    if (!waitUntil([&] { return result.has_value(); }))
        return Failure{Error{QStringLiteral("test"), -1, QStringLiteral("no result")}};
    // A second call would show here.
    QCoreApplication::processEvents();
    if (calls != 1) return Failure{Error{QStringLiteral("test"), -2, QStringLiteral("called twice")}};
    return std::move(*result);
}

// Splits the 1920 × 1080 screen into the monitors "left" and "right", 960 points wide each, and
// waits until Qt has both.
inline bool splitIntoTwoMonitors() {
    auto& server = x11Server();
    const auto xrandr = [&](const QStringList& arguments) {
        return server.run(QStringLiteral("xrandr"), arguments);
    };
    xrandr({QStringLiteral("--delmonitor"), QStringLiteral("left")});
    xrandr({QStringLiteral("--delmonitor"), QStringLiteral("right")});
    return xrandr({QStringLiteral("--setmonitor"), QStringLiteral("left"),
                   QStringLiteral("960/254x1080/286+0+0"), QStringLiteral("screen")}) == 0 &&
           xrandr({QStringLiteral("--setmonitor"), QStringLiteral("right"),
                   QStringLiteral("960/254x1080/286+960+0"), QStringLiteral("none")}) == 0 &&
           waitUntil([] { return QGuiApplication::screens().size() == 2; });
}

// Back to the one monitor of the whole screen.
inline bool joinMonitors() {
    for (const char* name : {"left", "right"})
        x11Server().run(QStringLiteral("xrandr"),
                        {QStringLiteral("--delmonitor"), QString::fromLatin1(name)});
    return waitUntil([] { return QGuiApplication::screens().size() == 1; });
}

// Different in every row and column, so that flips and offsets show.
inline QImage patternImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor((x * 7) % 256, (y * 5) % 256, (x + 2 * y) % 256));
    return image;
}

// A top-level window that shows an image at its own pixels.
class ImageWindow : public QWidget {
public:
    explicit ImageWindow(QImage image, Qt::WindowFlags flags = {})
        : QWidget(nullptr, flags), image_(std::move(image)) {
        setFixedSize(image_.size());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    // Shows the window at `position` and waits until the server has its pixels.
    bool showAt(QPoint position) {
        move(position);
        show();
        const bool painted = waitUntil([this] { return paints_ > 0; });
        QGuiApplication::sync();
        return painted;
    }
    int paints() const { return paints_; }
    // Shows another image of the same size and returns once the server has its pixels.
    void setImage(QImage image) {
        image_ = std::move(image);
        repaint();
        QGuiApplication::sync();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, image_);
        ++paints_;
    }

private:
    QImage image_;
    int paints_ = 0;
};

} // namespace quorvane::test
